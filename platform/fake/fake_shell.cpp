// Shell links of the in-memory platform: saved as a small file, their fields kept beside the disk.
#include <map>

#include "platform/fake/fake_shell.h"
#include "platform/fake/fake_state.h"
#include "platform/shell.h"

namespace {

struct FakeShell {
    std::map<std::wstring, ShortcutFields> links;  // by disk key
    bool fails = false;
};

FakeShell& Shell() {
    static FakeShell shell;
    return shell;
}

}  // namespace

void ResetFakeShell() { Shell() = FakeShell{}; }
void SetFakeShortcutFails(bool fails) { Shell().fails = fails; }

bool CreateShortcut(const std::wstring& linkPath, const ShortcutFields& fields) {
    if (Shell().fails || Fake().diskFull) return false;
    const std::wstring full = FakeFullPath(linkPath);
    // The shell link object does not create the folder.
    if (!FakeFolderExists(FakeParent(full))) return false;
    FakeNode* existing = FakeFind(full);
    if (existing && (existing->isFolder || existing->readOnly)) return false;
    FakeMake(full, false).bytes = "fake shell link";
    Shell().links[FakeKey(full)] = fields;
    return true;
}

bool ReadShortcut(const std::wstring& linkPath, ShortcutFields& fields) {
    const std::wstring full = FakeFullPath(linkPath);
    FakeNode* node = FakeFind(full);
    auto it = Shell().links.find(FakeKey(full));
    if (!node || node->isFolder || it == Shell().links.end()) return false;
    fields = it->second;
    return true;
}
