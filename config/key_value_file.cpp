// The key/value text format: parsing, look-up within a group, edits and write-back.
#include "config/key_value_file.h"

#include <climits>

#include "platform/system.h"
#include "platform/text.h"

namespace {

const std::string kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string UpperAsciiBytes(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && UpperAsciiBytes(a) == UpperAsciiBytes(b);
}

KeyValueLine ParseLine(const std::string& text) {
    KeyValueLine line;
    if (text[0] == ';') {
        line.kind = KeyValueLineKind::Comment;
        line.value = text.substr(text.size() > 1 && text[1] == ' ' ? 2 : 1);
        return line;
    }
    if (text[0] == '[') {
        line.kind = KeyValueLineKind::Group;
        const std::size_t close = text.find(']');
        line.key = text.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        return line;
    }
    line.kind = KeyValueLineKind::Entry;
    const std::size_t equals = text.find('=');
    std::size_t keyEnd = equals == std::string::npos ? text.size() : equals;
    while (keyEnd > 0 && IsBlank(text[keyEnd - 1])) --keyEnd;
    line.key = text.substr(0, keyEnd);
    if (equals != std::string::npos) {
        std::size_t valueStart = equals + 1;
        while (valueStart < text.size() && IsBlank(text[valueStart])) ++valueStart;
        line.value = text.substr(valueStart);
    }
    return line;
}

// The half-open range of line indexes that holds the group's entries;
// `found` is false when the file has no such group.
struct GroupRange {
    bool found = false;
    std::size_t begin = 0, end = 0;
};

GroupRange FindGroup(const std::vector<KeyValueLine>& lines, const std::string& group) {
    GroupRange range;
    std::size_t i = 0;
    if (!group.empty()) {
        while (i < lines.size() && !(lines[i].kind == KeyValueLineKind::Group && SameName(lines[i].key, group))) ++i;
        if (i == lines.size()) return range;
        ++i;
    }
    range.found = true;
    range.begin = i;
    while (i < lines.size() && lines[i].kind != KeyValueLineKind::Group) ++i;
    range.end = i;
    return range;
}

const KeyValueLine* FindEntry(const KeyValueFile& file, const std::string& key) {
    const GroupRange range = FindGroup(file.lines, file.group);
    if (!range.found) return nullptr;
    for (std::size_t i = range.begin; i < range.end; ++i) {
        const KeyValueLine& line = file.lines[i];
        if (line.kind == KeyValueLineKind::Entry && SameName(line.key, key)) return &line;
    }
    return nullptr;
}

int ParseInteger(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    return static_cast<int>(value);
}

void ForgetFile(KeyValueFile& file) {
    file = KeyValueFile{};
}

}  // namespace

std::vector<KeyValueLine> ParseKeyValueBytes(const std::string& bytes) {
    std::string text;
    if (bytes.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0)
        text = bytes.substr(kByteOrderMark.size());
    else
        text = Utf8FromWide(WideFromAnsi(bytes));
    std::vector<KeyValueLine> lines;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = i;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
        std::size_t start = i;
        while (start < end && IsBlank(text[start])) ++start;
        if (start < end) lines.push_back(ParseLine(text.substr(start, end - start)));
        i = end;
        if (i < text.size() && text[i] == '\r') ++i;
        if (i < text.size() && text[i] == '\n') ++i;
    }
    return lines;
}

std::string SerializeKeyValueLines(const std::vector<KeyValueLine>& lines) {
    std::string bytes = kByteOrderMark + "\r\n";
    for (const KeyValueLine& line : lines) {
        switch (line.kind) {
        case KeyValueLineKind::Group: bytes += "[" + line.key + "]\r\n"; break;
        case KeyValueLineKind::Comment: bytes += "; " + line.value + "\r\n"; break;
        case KeyValueLineKind::Entry: bytes += line.key + " = " + line.value + "\r\n"; break;
        }
    }
    return bytes;
}

bool OpenKeyValueFile(KeyValueFile& file, const std::wstring& path) {
    if (file.isOpen) CloseKeyValueFile(file);
    std::string bytes;
    file.held = OpenFileForUpdate(path, bytes);
    file.path = path;
    file.isOpen = true;  // even when missing: writes then create the file at close
    if (file.held.token == 0) return false;
    file.lines = ParseKeyValueBytes(bytes);
    return true;
}

void CreateKeyValueFile(KeyValueFile& file, const std::wstring& path) {
    if (file.isOpen) CloseKeyValueFile(file);
    // The old file stays until the new one replaces it whole at close.
    file.path = path;
    file.isOpen = true;
    file.changed = true;
}

void SelectKeyValueGroup(KeyValueFile& file, const std::wstring& group) {
    file.group = Utf8FromWide(group);
}

std::wstring ReadKeyValueText(const KeyValueFile& file, const std::wstring& key, const std::wstring& fallback) {
    const KeyValueLine* line = FindEntry(file, Utf8FromWide(key));
    return line ? WideFromUtf8(line->value) : fallback;
}

int ReadKeyValueInteger(const KeyValueFile& file, const std::wstring& key, int fallback) {
    const KeyValueLine* line = FindEntry(file, Utf8FromWide(key));
    return line ? ParseInteger(line->value) : fallback;
}

void WriteKeyValueText(KeyValueFile& file, const std::wstring& key, const std::wstring& value) {
    KeyValueLine entry;
    entry.kind = KeyValueLineKind::Entry;
    entry.key = Utf8FromWide(key);
    entry.value = Utf8FromWide(value);
    const GroupRange range = FindGroup(file.lines, file.group);
    if (!range.found) {
        file.changed = true;
        KeyValueLine groupLine;
        groupLine.kind = KeyValueLineKind::Group;
        groupLine.key = file.group;
        file.lines.push_back(groupLine);
        file.lines.push_back(entry);
        return;
    }
    for (std::size_t i = range.begin; i < range.end; ++i) {
        KeyValueLine& line = file.lines[i];
        if (line.kind == KeyValueLineKind::Entry && SameName(line.key, entry.key)) {
            // The same bytes again are no change: every start stores the
            // language, and a rewrite is a flush and a rename under Wine.
            if (line.key == entry.key && line.value == entry.value) return;
            line = entry;
            file.changed = true;
            return;
        }
    }
    file.changed = true;
    file.lines.insert(file.lines.begin() + static_cast<std::ptrdiff_t>(range.end), entry);
}

void WriteKeyValueInteger(KeyValueFile& file, const std::wstring& key, int value) {
    WriteKeyValueText(file, key, std::to_wstring(value));
}

void CloseKeyValueFile(KeyValueFile& file) {
    if (!file.isOpen) return;
    if (!file.changed) {
        ReleaseHeldFile(file.held);
    } else if (file.held.token == 0) {
        WriteFileReplacing(file.path, SerializeKeyValueLines(file.lines));
    } else if (file.held.writable) {
        ReplaceHeldFile(file.held, file.path, SerializeKeyValueLines(file.lines));
    } else {
        ReleaseHeldFile(file.held);  // opened read-only: the change is dropped
    }
    ForgetFile(file);
}
