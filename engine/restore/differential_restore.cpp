// Restoring a differential: its full first, the differential over it, and the
// day's items to check the result against.
#include "engine/restore/differential_restore.h"

#include <functional>
#include <unordered_map>

#include "config/language_table.h"
#include "engine/console/archive_names.h"
#include "engine/console/archive_tool.h"
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
    // items for each deletion (20,000 deletions among 50,000 items).
    std::vector<ArchiveItem> all = fullItems;
    std::vector<std::wstring> keys;
    std::vector<std::ptrdiff_t> writtenAt(all.size(), -1);  // the differential's position; -1: the full's
    std::unordered_map<std::wstring, std::size_t> index;
    keys.reserve(all.size() + diffItems.size());
    for (const ArchiveItem& item : all) {
        keys.push_back(ItemPathKey(item.path));
        index[keys.back()] = keys.size() - 1;
    }
    std::unordered_map<std::wstring, std::ptrdiff_t> deletedAt;  // the last deletion of each path
    std::vector<std::wstring> antiKeys;
    std::vector<std::size_t> diffOrder;  // where each of the differential's items went, in its order
    removed.clear();
    for (std::size_t at = 0; at < diffItems.size(); ++at) {
        const ArchiveItem& item = diffItems[at];
        const std::wstring key = ItemPathKey(item.path);
        const auto position = static_cast<std::ptrdiff_t>(at);
        if (item.isAnti) {
            deletedAt[key] = position;
            removed.push_back(item.path);
            antiKeys.push_back(key);
            continue;
        }
        const auto found = index.find(key);
        std::size_t slot = all.size();
        if (found != index.end()) {
            slot = found->second;
            all[slot] = item;
            writtenAt[slot] = position;
        } else {
            all.push_back(item);
            keys.push_back(key);
            writtenAt.push_back(position);
            index[key] = slot;
        }
        diffOrder.push_back(slot);
    }
    std::vector<bool> gone(all.size(), false);
    for (std::size_t i = 0; i < all.size() && !deletedAt.empty(); ++i) {
        const std::wstring& key = keys[i];
        for (std::size_t end = 0; end != std::wstring::npos && !gone[i];) {
            end = key.find(L'\\', end + 1);
            const auto deleted = deletedAt.find(end == std::wstring::npos ? key : key.substr(0, end));
            gone[i] = deleted != deletedAt.end() && deleted->second > writtenAt[i];
        }
    }
    std::vector<ArchiveItem> day;
    for (std::size_t i = 0; i < all.size(); ++i)
        if (!gone[i] && writtenAt[i] < 0) day.push_back(all[i]);
    if (fromFull) *fromFull = day.size();
    std::vector<bool> taken(all.size(), false);  // once, should a path come twice
    for (const std::size_t i : diffOrder) {
        if (gone[i] || taken[i]) continue;
        day.push_back(all[i]);
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

RestoreFailure PrepareDifferentialRestore(const std::wstring& archivePath, std::vector<ArchiveItem>& items,
                                          DifferentialRestore& differential, const std::wstring& password,
                                          const JobWindow& window) {
    const std::size_t slash = archivePath.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : archivePath.substr(0, slash + 1);
    const std::wstring name = archivePath.substr(folder.size());
    if (!NamesDifferentialArchive(name)) return {};
    const std::wstring fullPath = folder + FullArchiveNameOf(name);
    const RestoreFailure refusal{FillPlaceholder(LookUpText(L"LogMessages", L"LogRestoreFullMissing"), fullPath),
                                 FillPlaceholder(LookUpText(L"RestoreMsgs", L"FullMissing"), fullPath)};
    if (LookUpPathKind(fullPath) != PathKind::File) return refusal;
    const ArchiveListing full = ListArchive(fullPath, password, window);
    differential.fullWrongPassword = full.wrongPassword;
    if (full.wrongPassword) differential.fullPath = fullPath;  // for the message that names it
    if (!full.tool.started || full.tool.exitCode != 0 || !HoldsTopFolder(full.items, kDataFolderName)) return refusal;
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
