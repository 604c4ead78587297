// Why a backup attempt failed: one row per outcome, its log text in the current language.
#include "engine/report/failure_reason.h"

#include "config/language_table.h"
#include "platform/text.h"

namespace {

std::wstring NoDetail(const BackupResult&) { return {}; }
std::wstring ToolExitCode(const BackupResult& r) { return std::to_wstring(r.tool.exitCode); }
std::wstring TestExitCode(const BackupResult& r) { return std::to_wstring(r.test.exitCode); }
std::wstring DataFolder(const BackupResult& r) { return r.dataFolder; }
std::wstring TempPath(const BackupResult& r) { return r.tempPath; }
std::wstring ArchivePath(const BackupResult& r) { return r.archivePath; }
std::wstring BackupFolder(const BackupResult& r) { return r.backupFolder; }
std::wstring LaterArchive(const BackupResult& r) { return r.laterArchive; }
std::wstring UnreadCount(const BackupResult& r) { return std::to_wstring(r.tool.unreadCount); }

// "Mail\inbox.db, Mail\sent.db, ..." as the data folder holds them: the first few 7-Zip named.
std::wstring UnreadNames(const BackupResult& r) {
    std::wstring names;
    for (std::size_t i = 0; i < r.tool.unreadFiles.size() && i < kShownUnreadFiles; ++i)
        names += (i ? L", " : L"") + DataRelativePath(r.tool.unreadFiles[i], r.dataFolder);
    if (r.tool.unreadCount > static_cast<int>(kShownUnreadFiles) || r.tool.unreadFiles.size() > kShownUnreadFiles)
        names += L", ...";
    return names;
}

struct ReasonRow {
    BackupStatus status;
    const wchar_t* code;  // a LogMessages key; stored in records, so never renamed
    std::wstring (*detail)(const BackupResult&);
    std::wstring (*detail2)(const BackupResult&) = NoDetail;
};

// A new failure of the job is one row here and its LogMessages text.
const ReasonRow kReasonRows[] = {
    {BackupStatus::NoDataFolder, L"LogNoDataFolder", DataFolder},
    {BackupStatus::StaleTemp, L"LogTempNotRemoved", TempPath},
    {BackupStatus::ToolMissing, L"LogToolMissing", NoDetail},
    {BackupStatus::ToolWarning, L"LogWarning", ToolExitCode},
    {BackupStatus::ToolFailed, L"LogToolFailed", ToolExitCode},
    {BackupStatus::NoArchive, L"LogNoArchive", ToolExitCode},
    {BackupStatus::TestFailed, L"LogTestFailed", TestExitCode},
    {BackupStatus::NotReplaced, L"LogNotReplaced", ArchivePath},
    {BackupStatus::NotFlushed, L"LogNotFlushed", ArchivePath},
    {BackupStatus::ClientAlive, L"LogClientAlive", NoDetail},
    {BackupStatus::ToolHung, L"LogToolHung", NoDetail},
    {BackupStatus::InDataFolder, L"LogBackupInData", BackupFolder},
    {BackupStatus::NoPassword, L"LogPasswordUnreadable", NoDetail},
    {BackupStatus::SettingsUnreadable, L"LogSettingsUnreadable", NoDetail},
    {BackupStatus::FolderBusy, L"LogFolderBusy", BackupFolder},
    {BackupStatus::FullNeededLater, L"LogFullNeededLater", LaterArchive},
    {BackupStatus::MissingFiles, L"LogFilesNotRead", UnreadCount, UnreadNames},
    {BackupStatus::MissingFilesDayKept, L"LogFilesNotReadDayKept", UnreadCount, UnreadNames},
};

}  // namespace

FailureReason FailureReasonOf(const BackupResult& result) {
    if (result.status == BackupStatus::TestFailed && !result.test.started) return {L"LogTestNotRun", L""};
    for (const ReasonRow& row : kReasonRows)
        if (row.status == result.status) return {row.code, row.detail(result), row.detail2(result)};
    return {};
}

bool IsFailureReasonCode(const std::wstring& code) {
    // Keys of other groups, or of a newer version, fall back to the record's own text.
    return code.size() > 3 && code.compare(0, 3, L"Log") == 0 && LookUpText(L"LogMessages", code) != kTextNotFound;
}

std::wstring FailureReasonText(const FailureReason& reason) {
    return FillPlaceholders(LookUpText(L"LogMessages", reason.code), {reason.detail, reason.detail2});
}

std::wstring DataRelativePath(const std::wstring& path, const std::wstring& dataFolder) {
    // 7-Zip names a full's files by their whole path, a differential's from the data folder's own name on.
    const std::wstring folder = WithoutTrailingSeparators(dataFolder);
    const std::size_t slash = folder.rfind(L'\\');
    const std::wstring name = slash == std::wstring::npos ? folder : folder.substr(slash + 1);
    for (const std::wstring& head : {folder, name}) {
        const std::wstring prefix = UpperAscii(head + L"\\");
        if (!head.empty() && UpperAscii(path.substr(0, prefix.size())) == prefix) return path.substr(prefix.size());
    }
    return path;
}

std::wstring BackupLogMessage(const BackupResult& result) {
    if (result.status == BackupStatus::Success)
        return LookUpText(L"LogMessages", L"LogSuccess") + L"\"" + result.backupFolder + L"\"";
    const FailureReason reason = FailureReasonOf(result);
    return FailureReasonText(reason.code.empty() ? FailureReason{L"LogToolMissing", L""} : reason);
}
