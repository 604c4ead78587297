// A scratch folder per test on the real file system, and small file helpers.
#pragma once
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/system.h"

// Wine's name for a Unix path: the Z: drive maps the root.
inline std::wstring WinePathFromUnix(const std::wstring& unixPath) {
    std::wstring path = unixPath;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return L"Z:" + path;
}

inline void RemoveTree(const std::wstring& folder) {
    for (const FolderEntry& entry : ListFolder(folder, L"*")) {
        std::wstring path = folder + L"\\" + entry.name;
        if (entry.isLink) RemoveLinkPath(path, entry.isFolder);
        else if (entry.isFolder) RemoveTree(path);
        else DeleteFilePath(path);
    }
    RemoveEmptyFolder(folder);
}

// Under the build tree when the tests run from ctest, else in the user's temp folder.
inline std::wstring MakeTestFolder(const std::wstring& label) {
    std::wstring build = ReadEnvironmentText(L"LARKMAIL_BUILD");
    std::wstring base = build.empty() ? ReadEnvironmentText(L"TEMP") : WinePathFromUnix(build) + L"\\win-tests";
    std::random_device random;
    std::wstring folder = base + L"\\" + label + L" " + std::to_wstring(random() % 1000000u);
    return CreateFolderPath(folder) ? folder : std::wstring();
}

inline std::vector<std::wstring> NamesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    for (const FolderEntry& entry : ListFolder(folder, L"*")) names.push_back(entry.name);
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string BytesOf(const std::wstring& path) {
    std::string bytes;
    ReadWholeFile(path, bytes);
    return bytes;
}
