// The key/value text format shared by the settings file and the language
// files: parsing, the open/read/write/close cycle and the write-back.
#pragma once
#include <string>
#include <vector>

#include "platform/files.h"

enum class KeyValueLineKind { Group, Comment, Entry };
struct KeyValueLine {
    KeyValueLineKind kind = KeyValueLineKind::Entry;
    std::string key;    // group name for Group lines; UTF-8
    std::string value;  // comment text for Comment lines; UTF-8
};

// Splits file bytes into lines (BOM: UTF-8, otherwise the ANSI code page).
std::vector<KeyValueLine> ParseKeyValueBytes(const std::string& bytes);
// BOM, CR LF, then every line as written back.
std::string SerializeKeyValueLines(const std::vector<KeyValueLine>& lines);

// One open key/value file.
struct KeyValueFile {
    std::wstring path;
    std::vector<KeyValueLine> lines;
    bool changed = false;
    HeldFile held;
    bool isOpen = false;
    std::string group;  // current group, UTF-8; empty: top level
};

bool OpenKeyValueFile(KeyValueFile& file, const std::wstring& path);
void CreateKeyValueFile(KeyValueFile& file, const std::wstring& path);
void SelectKeyValueGroup(KeyValueFile& file, const std::wstring& group);
std::wstring ReadKeyValueText(const KeyValueFile& file, const std::wstring& key, const std::wstring& fallback);
int ReadKeyValueInteger(const KeyValueFile& file, const std::wstring& key, int fallback);
void WriteKeyValueText(KeyValueFile& file, const std::wstring& key, const std::wstring& value);
void WriteKeyValueInteger(KeyValueFile& file, const std::wstring& key, int value);
// Writes back when changed (and writable), then forgets the file.
void CloseKeyValueFile(KeyValueFile& file);
