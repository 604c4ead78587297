// The restore's check of the staged files while 7-Zip is still writing them.
#include "engine/restore/extraction_check.h"

#include "platform/files.h"
#include "platform/system.h"

namespace {

// 7-Zip has moved past the item: a later file exists (or, for a folder, it is there itself).
bool Finished(const ExtractionCheck& check, std::size_t index) {
    if ((*check.items)[index].isFolder) return true;
    const std::size_t later = check.laterFile[index];
    return later < check.end && LookUpPathKind(ExtractedItemPath((*check.items)[later], check.folder)) != PathKind::Missing;
}

// Taken only once the item has passed, so a file that 7-Zip still writes is never flushed half.
bool FlushPassedItem(ExtractionCheck& check) {
    const ArchiveItem& item = (*check.items)[check.next];
    if (item.isFolder) return true;
    const std::wstring path = ExtractedItemPath(item, check.folder);
    if (FlushFileToDisk(path) || IsReadOnlyFile(path)) return true;
    check.unflushed = path;
    return false;
}

}  // namespace

ExtractionCheck StartExtractionCheck(const std::vector<ArchiveItem>& items, const std::wstring& folder) {
    ExtractionCheck check;
    check.items = &items;
    check.folder = folder;
    check.end = items.size();
    check.laterFile.assign(items.size(), items.size());
    std::size_t later = items.size();
    for (std::size_t i = items.size(); i-- > 0;) {
        check.laterFile[i] = later;
        if (!items[i].isFolder) later = i;
    }
    return check;
}

bool CheckExtractedSoFar(ExtractionCheck& check, std::uint64_t untilMs) {
    const std::size_t start = check.next;
    while (check.next < check.end && check.unflushed.empty()) {
        if (check.next > start && ReadTickMilliseconds() >= untilMs) break;
        if (!Finished(check, check.next) || !ItemExtracted((*check.items)[check.next], check.folder)) break;
        if (!FlushPassedItem(check)) break;
        ++check.next;
    }
    return check.next > start;
}

bool FinishExtractionCheck(ExtractionCheck& check) {
    if (!check.unflushed.empty()) return false;
    while (check.next < check.end) {
        if (!ItemExtracted((*check.items)[check.next], check.folder) || !FlushPassedItem(check)) return false;
        ++check.next;
    }
    check.end = check.items->size();
    return true;
}
