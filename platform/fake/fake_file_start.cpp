// Reading the first bytes of a file of the in-memory disk.
#include "platform/fake/fake_state.h"
#include "platform/files.h"

bool ReadFileStart(const std::wstring& path, std::size_t count, std::string& bytes) {
    bytes.clear();
    const FakeNode* node = FakeFind(path);
    if (!node || node->isFolder) return false;
    bytes = node->bytes.substr(0, count);
    return true;
}
