// The restore of the mail client's data folder from an archive: control 11 and menu item 51.
#include "engine/restore.h"

#include "app/language_table.h"
#include "engine/archive_listing.h"
#include "engine/archive_tool.h"
#include "engine/backup_job.h"
#include "engine/backup_log.h"
#include "engine/folder_tree.h"
#include "engine/mail_client.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/window.h"
#include "ui/main_window.h"

namespace {

constexpr wchar_t kArchiveFilter[] = L"7-Zip (*.7z)|*.7z";
constexpr wchar_t kDataFolderName[] = L"Larkmail";
constexpr int kMaxSiblingNumber = 1000;

std::wstring Text(const wchar_t* group, const wchar_t* key) {
    return LookUpText(group, key);
}

void ShowCancelled() {
    ShowMessageBox(Text(L"RestoreMsgs", L"Cancelled"), Text(L"RestoreMsgs", L"Cancelled2"), kBoxInformationOk);
}

void ReportFailure(const std::wstring& logLine, const std::wstring& boxText) {
    AppendLogLine(kLogBaseName, logLine);
    ShowMessageBox(Text(L"Messages", L"Error"), boxText, kBoxErrorOk);
}

bool MailClientRunning() {
    return !FindProcessIds(kMailClientExe).empty();
}

void RefuseWhileClientRuns() {
    ReportFailure(Text(L"LogMessages", L"LogFailure2"), Text(L"Messages", L"ErrNotClosed"));
}

std::wstring WithoutTrailingSeparators(std::wstring path) {
    while (path.size() > 1 && path.back() == L'\\') path.pop_back();
    return path;
}

// "C:\Users\anna\AppData\Local\Larkmail" -> "C:\Users\anna\AppData\Local\"
std::wstring ParentFolder(const std::wstring& folder) {
    const std::size_t slash = folder.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
}

// A name that nothing uses yet beside the data folder, so the moves stay on
// one volume and never meet an earlier leftover.
std::wstring FreeSiblingPath(const std::wstring& parent, const std::wstring& stem) {
    for (int n = 1; n <= kMaxSiblingNumber; ++n) {
        const std::wstring path = parent + stem + std::to_wstring(n);
        if (LookUpPathKind(path) == PathKind::Missing) return path;
    }
    return {};
}

void LogUndeleted(const std::wstring& folder) {
    if (!DeleteFolderTree(folder).empty())
        AppendLogLine(kLogBaseName, FillPlaceholder(Text(L"LogMessages", L"LogDeleteIncomplete"), folder));
}

// Waits on 7-Zip and the window together: the window repaints, input is dropped.
ToolOutcome ExtractArchive(const std::wstring& stagingFolder, const std::wstring& archivePath) {
    const ProgramHandle tool = StartArchiveTool(BuildRestoreParameters(stagingFolder + L"\\", archivePath), false);
    if (tool != 0) {
        while (WaitForWindowEvent(kWaitForever, tool).kind != kEventProgramEnded) {
        }
    }
    return FinishArchiveTool(tool);
}

std::wstring FailureBoxText(const std::wstring& detail) {
    const std::wstring failed = Text(L"RestoreMsgs", L"RestoreFailed");
    return detail.empty() ? failed : failed + L" " + detail;
}

// Current data aside, restored data in, old data gone. When the second move
// fails the first is undone, so the data folder is as it was.
bool SwapInRestoredFolder(const std::wstring& restored, const std::wstring& dataFolder) {
    if (LookUpPathKind(dataFolder) == PathKind::Missing) return MovePath(restored, dataFolder);
    const std::wstring aside = FreeSiblingPath(ParentFolder(dataFolder), std::wstring(kDataFolderName) + L".old-");
    if (aside.empty() || !MovePath(dataFolder, aside)) return false;
    if (!MovePath(restored, dataFolder)) {
        MovePath(aside, dataFolder);
        return false;
    }
    LogUndeleted(aside);
    return true;
}

struct Failure {
    std::wstring logLine;  // empty: none, the restored data is in place
    std::wstring boxText;
};

Failure ToolFailure(const ToolOutcome& tool) {
    if (!tool.started) return {Text(L"LogMessages", L"LogRestoreToolMissing"), FailureBoxText(ToolOutcomeText(tool))};
    return {FillPlaceholder(Text(L"LogMessages", L"LogRestoreFailed"), std::to_wstring(tool.exitCode)),
            FailureBoxText(ToolOutcomeText(tool))};
}

// Everything after the last question: extract beside the data folder, check, swap.
Failure RestoreFromArchive(const std::wstring& archivePath, const std::wstring& dataFolder,
                           const std::vector<ArchiveItem>& items) {
    const std::wstring parent = ParentFolder(dataFolder);
    const std::wstring staging = FreeSiblingPath(parent, std::wstring(kDataFolderName) + L".restore-");
    if (staging.empty() || !CreateFolderPath(staging))
        return {FillPlaceholder(Text(L"LogMessages", L"LogRestoreNoStaging"), staging.empty() ? parent : staging),
                FailureBoxText({})};
    SetStatusText(Text(L"RestoreMsgs", L"StatusText1"));
    const ToolOutcome tool = ExtractArchive(staging, archivePath);
    Failure failure;
    if (!tool.started || tool.exitCode != 0) {
        failure = ToolFailure(tool);
    } else if (!FindMissingItems(items, staging).empty()) {
        failure = {FillPlaceholder(Text(L"LogMessages", L"LogRestoreIncomplete"), std::to_wstring(tool.exitCode)),
                   FailureBoxText({})};
    } else if (MailClientRunning()) {
        // Started while 7-Zip worked: the files it holds must not be swapped away.
        failure = {Text(L"LogMessages", L"LogFailure2"), Text(L"Messages", L"ErrNotClosed")};
    } else if (!SwapInRestoredFolder(staging + L"\\" + kDataFolderName, dataFolder)) {
        failure = {Text(L"LogMessages", L"LogRestoreSwapFailed"), FailureBoxText({})};
    }
    LogUndeleted(staging);
    return failure;
}

}  // namespace

void RunRestore() {
    if (MailClientRunning()) {
        RefuseWhileClientRuns();
        return;
    }
    if (!ShowMessageBox(Text(L"RestoreMsgs", L"Restore"), Text(L"RestoreMsgs", L"RestoreQuest"), kBoxQuestionYesNo)) {
        ShowCancelled();
        return;
    }
    const MainWindowState& state = ProcessWindowState();
    const std::wstring archivePath = AskForFile(Text(L"RestoreMsgs", L"RestoreBkup"), state.backupPath, kArchiveFilter);
    if (archivePath.empty()) return;

    // Anything but our own backup would be unpacked beside the data folder as it stands.
    const ArchiveListing listing = ListArchive(archivePath);
    if (!listing.tool.started) {
        ReportFailure(Text(L"LogMessages", L"LogRestoreToolMissing"), FailureBoxText(ToolOutcomeText(listing.tool)));
        return;
    }
    if (listing.tool.exitCode != 0 || !HoldsTopFolder(listing.items, kDataFolderName)) {
        const std::wstring refusal = Text(L"RestoreMsgs", L"BadArchive");
        ReportFailure(FillPlaceholder(Text(L"LogMessages", L"LogRestoreBadArchive"), archivePath),
                      listing.tool.exitCode != 0 ? refusal + L" " + ToolOutcomeText(listing.tool) : refusal);
        return;
    }
    if (!ShowMessageBox(Text(L"RestoreMsgs", L"Warning"), Text(L"RestoreMsgs", L"Warning1"), kBoxWarningYesNo)) {
        ShowCancelled();
        return;
    }

    const Failure failure = RestoreFromArchive(archivePath, WithoutTrailingSeparators(state.dataFolder), listing.items);
    DropWindowEvents();  // clicks made while the data was swapped
    SetStatusText(Text(L"MainWindow", L"StatusBarText"));
    if (!failure.logLine.empty()) {
        ReportFailure(failure.logLine, failure.boxText);
        return;
    }
    AppendLogLine(kLogBaseName, Text(L"LogMessages", L"LogSuccess2"));
    ShowMessageBox(Text(L"Messages", L"SuccessMsg"), Text(L"RestoreMsgs", L"Completed"), kBoxInformationOk);
}
