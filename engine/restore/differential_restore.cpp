// Restoring a differential: its full first, the differential over it, and the
// day's items to check the result against.
#include "engine/restore/differential_restore.h"

#include <functional>
#include <string_view>
#include <utility>
#include <unordered_map>

#include "config/language_table.h"
#include "engine/console/archive_names.h"
#include "engine/console/archive_tool.h"
#include "engine/console/base_mark.h"
#include "engine/console/tool_watch.h"
#include "engine/restore/restore_job.h"
#include "platform/files.h"
#include "platform/system.h"
#include "platform/text.h"

namespace {

ToolOutcome RunExtraction(const std::wstring& parameters, const std::wstring& password, const JobWindow& window,
                          const std::function<bool()>& sideWork) {
    const ProgramHandle tool = StartArchiveTool(parameters, false, password);
    ToolWatch watch = StartToolWatch();
    if (tool != 0 && window.waitForTool) window.waitForTool(tool, watch, sideWork);
    return FinishArchiveTool(tool, watch);
}

}  // namespace

std::vector<ArchiveItem> CombineDifferentialItems(const std::vector<ArchiveItem>& fullItems,
                                                  const std::vector<ArchiveItem>& diffItems,
                                                  std::vector<std::wstring>& removed, std::size_t* fromFull) {
    // An item is gone when a deletion at or above its path came after its
    // last write: one look-up per level of each path, never a pass over all
    // items for each deletion (20,000 deletions among 50,000 items). The maps
    // hold views of keys that never move, so no path is copied for them.
    std::vector<const ArchiveItem*> latest;   // per path, the item that wrote it last
    std::vector<std::ptrdiff_t> writtenAt;    // the differential's position of that write; -1: the full's
    std::vector<std::wstring> keys, antiKeys;
    keys.reserve(fullItems.size() + diffItems.size());
    antiKeys.reserve(diffItems.size());
    std::unordered_map<std::wstring_view, std::size_t> index;
    std::unordered_map<std::wstring_view, std::ptrdiff_t> deletedAt;  // the last deletion of each path
    const auto addSlot = [&](std::wstring key, const ArchiveItem& item, std::ptrdiff_t position) {
        keys.push_back(std::move(key));
        latest.push_back(&item);
        writtenAt.push_back(position);
        index[keys.back()] = latest.size() - 1;
        return latest.size() - 1;
    };
    for (const ArchiveItem& item : fullItems) addSlot(ItemPathKey(item.path), item, -1);
    std::vector<std::size_t> diffOrder;  // where each of the differential's items went, in its order
    removed.clear();
    for (std::size_t at = 0; at < diffItems.size(); ++at) {
        const ArchiveItem& item = diffItems[at];
        const auto position = static_cast<std::ptrdiff_t>(at);
        std::wstring key = ItemPathKey(item.path);
        if (item.isAnti) {
            antiKeys.push_back(std::move(key));
            deletedAt[antiKeys.back()] = position;
            removed.push_back(item.path);
            continue;
        }
        const auto found = index.find(key);
        if (found == index.end()) {
            diffOrder.push_back(addSlot(std::move(key), item, position));
            continue;
        }
        latest[found->second] = &item;
        writtenAt[found->second] = position;
        diffOrder.push_back(found->second);
    }
    std::vector<bool> gone(latest.size(), false);
    for (std::size_t i = 0; i < latest.size() && !deletedAt.empty(); ++i) {
        const std::wstring_view key = keys[i];
        for (std::size_t end = 0; end != std::wstring_view::npos && !gone[i];) {
            end = key.find(L'\\', end + 1);
            const auto deleted = deletedAt.find(key.substr(0, end));
            gone[i] = deleted != deletedAt.end() && deleted->second > writtenAt[i];
        }
    }
    std::vector<ArchiveItem> day;
    day.reserve(latest.size());
    for (std::size_t i = 0; i < latest.size(); ++i)
        if (!gone[i] && writtenAt[i] < 0) day.push_back(*latest[i]);
    if (fromFull) *fromFull = day.size();
    std::vector<bool> taken(latest.size(), false);  // once, should a path come twice
    for (const std::size_t i : diffOrder) {
        if (gone[i] || taken[i]) continue;
        day.push_back(*latest[i]);
        taken[i] = true;
    }
    // A path deleted and then written again is there after all.
    std::vector<std::wstring> absent;
    for (std::size_t i = 0; i < removed.size(); ++i) {
        const auto found = index.find(antiKeys[i]);
        if (found == index.end() || gone[found->second]) absent.push_back(removed[i]);
    }
    removed.swap(absent);
    return day;
}

bool HoldsDifferential(const std::wstring& archivePath, const std::vector<ArchiveItem>& items) {
    ArchiveNameParts parts;
    for (const ArchiveItem& item : items)
        if (item.isAnti || IsBaseMarkItem(item)) return true;
    return ReadArchiveName(FileNameOf(archivePath), ReadEnvironmentText(L"COMPUTERNAME"),
                           ReadEnvironmentText(L"USERNAME"), parts) &&
           parts.kind == ArchiveKind::Differential;
}

RestoreFailure PrepareDifferentialRestore(const std::wstring& archivePath, std::vector<ArchiveItem>& items,
                                          DifferentialRestore& differential, const std::wstring& password,
                                          const JobWindow& window) {
    const std::wstring name = FileNameOf(archivePath);
    const std::wstring folder = archivePath.substr(0, archivePath.size() - name.size());
    bool marked = false;
    items = WithoutBaseMark(items, &marked);
    const RestoreFailure unknown{FillPlaceholder(LookUpText(L"LogMessages", L"LogRestoreNoBase"), archivePath),
                                 LookUpText(L"RestoreMsgs", L"NoBase")};
    std::wstring fullPath;
    ArchiveNameParts parts;
    if (marked) {
        // The mark outweighs the name: either may have been changed by hand, only the mark goes with the bytes.
        ArchiveIdentity mark;
        if (!ReadBaseMark(archivePath, password, mark)) return unknown;
        fullPath = FindMarkedFull(folder, mark);
        if (fullPath.empty()) {
            const std::wstring named = folder + mark.name;
            return {FillPlaceholder(LookUpText(L"LogMessages", L"LogRestoreFullMissing"), named),
                    FillPlaceholder(LookUpText(L"RestoreMsgs", L"FullMissing"), named)};
        }
    } else if (ReadArchiveName(name, ReadEnvironmentText(L"COMPUTERNAME"), ReadEnvironmentText(L"USERNAME"), parts) &&
               parts.kind == ArchiveKind::Differential) {
        fullPath = folder + parts.fullName;
    } else {
        // Deletions say it is a day's changes, not a day: alone it would leave almost nothing.
        for (const ArchiveItem& item : items)
            if (item.isAnti) return unknown;
        return {};
    }
    const RestoreFailure refusal{FillPlaceholder(LookUpText(L"LogMessages", L"LogRestoreFullMissing"), fullPath),
                                 FillPlaceholder(LookUpText(L"RestoreMsgs", L"FullMissing"), fullPath)};
    if (LookUpPathKind(fullPath) != PathKind::File) return refusal;
    const ArchiveListing full = ListArchive(fullPath, password, window);
    differential.fullWrongPassword = full.wrongPassword;
    if (full.wrongPassword) differential.fullPath = fullPath;  // for the message that names it
    if (!full.tool.started || full.tool.exitCode != 0 || !HoldsTopFolder(full.items, kDataFolderName)) return refusal;
    // A full carries no mark and no deletions: one that does is no full to build on.
    for (const ArchiveItem& item : full.items)
        if (item.isAnti || IsBaseMarkItem(item)) return refusal;
    if (RestoreFailure unsafe = RefuseUnsafeItems(full.items); !unsafe.logLine.empty()) return unsafe;
    differential.fullPath = fullPath;
    differential.fullEncrypted = full.encrypted;
    items = CombineDifferentialItems(full.items, items, differential.removed, &differential.fromFull);
    return {};
}

ToolOutcome ExtractFullThenDifferential(const std::wstring& stagingFolder, const std::wstring& fullPath,
                                        const std::wstring& diffPath, const std::wstring& password,
                                        const JobWindow& window, ExtractionCheck& check, std::size_t fromFull,
                                        const std::wstring& archiveFolder) {
    const bool withPassword = !password.empty();
    const std::wstring target = stagingFolder + L"\\";
    const auto parameters = [&](const std::wstring& archive, const wchar_t* overwrite) {
        return archiveFolder.empty()
                   ? BuildRestoreParameters(target, archive, withPassword, overwrite)
                   : BuildFolderRestoreParameters(target, archive, archiveFolder, withPassword, overwrite);
    };
    check.end = fromFull;
    const ToolOutcome full = RunExtraction(parameters(fullPath, L"-y"), password, window, [&check] {
        return CheckExtractedSoFar(check, ReadTickMilliseconds() + kExtractionCheckSliceMs);
    });
    if (!full.started || full.hung || full.exitCode != 0) return full;
    // A file the full left incomplete stays so: the check after the
    // differential's run finds it again, without that run.
    if (!FinishExtractionCheck(check)) return full;
    return RunExtraction(parameters(diffPath, L"-aoa"), password, window, {});
}

std::size_t CountFullOnlyItems(const DifferentialRestore& differential, const std::vector<ArchiveItem>& dayItems,
                               const std::vector<ArchiveItem>& checked) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < differential.fromFull && i < dayItems.size() && count < checked.size(); ++i)
        if (dayItems[i].path == checked[count].path) ++count;
    return count;
}

std::vector<std::wstring> FindRemovedItemsPresent(const std::vector<std::wstring>& removed, const std::wstring& folder) {
    std::vector<std::wstring> present;
    for (const std::wstring& path : removed) {
        ArchiveItem item;
        item.path = path;
        if (LookUpPathKind(ExtractedItemPath(item, folder)) != PathKind::Missing) present.push_back(path);
    }
    return present;
}
