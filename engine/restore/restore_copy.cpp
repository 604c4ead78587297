// Putting a restored copy into a folder of the user's choice without replacing anything there.
#include "engine/restore/restore_copy.h"

#include "engine/restore/restore_moves.h"
#include "platform/files.h"

namespace {

constexpr int kMaxCopyNumber = 1000;

}  // namespace

std::wstring PlaceCopy(const std::wstring& restored, const std::wstring& staging, const std::wstring& into,
                       const std::wstring& name) {
    for (int n = 1; n <= kMaxCopyNumber; ++n) {
        const std::wstring path = into + L"\\" + name + (n == 1 ? L"" : L" (" + std::to_wstring(n) + L")");
        if (LookUpPathKind(path) != PathKind::Missing) continue;
        return MoveWithin(restored, staging, path, into) ? path : std::wstring();
    }
    return {};
}
