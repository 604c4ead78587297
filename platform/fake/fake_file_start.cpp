// Reading the first bytes of a file of the in-memory disk, or all of it in pieces.
#include <algorithm>

#include "platform/fake/fake_state.h"
#include "platform/files.h"

bool ReadFileStart(const std::wstring& path, std::size_t count, std::string& bytes) {
    bytes.clear();
    const FakeNode* node = FakeFind(path);
    if (!node || node->isFolder) return false;
    bytes = node->bytes.substr(0, count);
    return true;
}

bool ReadFileInPieces(const std::wstring& path, const std::function<void(const char*, std::size_t)>& piece) {
    const FakeNode* node = FakeFind(path);
    if (!node || node->isFolder) return false;
    constexpr std::size_t kPiece = 1u << 20;
    for (std::size_t at = 0; at < node->bytes.size(); at += kPiece)
        piece(node->bytes.data() + at, std::min(kPiece, node->bytes.size() - at));
    return true;
}
