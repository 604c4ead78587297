// Test double of the Windows task scheduler's command-line tool.
//
// Put beside the program: process creation searches the program's folder
// first. Every file lives in the double's own folder.
//   schtasks-calls.txt   each call's argument text (after the program name),
//                        UTF-8, one line each, CR LF.
//   schtasks-tasks.txt   the task list, one "NAME<TAB>RUN TEXT" line each, and
//                        "<TAB>WORKING FOLDER" after it for a task from /xml.
//   schtasks-task.xml    a copy of the last /xml file handed over, as it was.
//   schtasks-reject.txt  if present, /create fails (exit 1) and adds nothing.
//   schtasks-hang.txt    if present, every call sleeps for ever.
// Commands:
//   /create ... /tn NAME ... /tr RUN ...  adds or replaces NAME; /sc, /tn
//       and /tr are required, and a switch among /sc /tn /tr /st /d /mo /m
//       without a value (or followed by another switch) is a syntax error,
//       as the real tool reports it (exit 1).
//   /create /tn NAME /xml FILE  adds or replaces NAME with the run text
//       '"COMMAND" ARGUMENTS' and the working folder of the definition's
//       Exec action; FILE must be UTF-16 with its byte order mark. Beside
//       /sc, /tr or /st, or without a readable FILE, an error (exit 1).
//   /delete /tn NAME /f   removes NAME (any letter case); exit 1 if absent.
//   /query                prints the list in the layout Windows uses.
//   /run /tn NAME         starts the task's run text from its working
//       folder (else the current one), as the scheduler would, and waits
//       for it to end.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::wstring OwnFolder() {
    std::vector<wchar_t> buffer(32768);
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    std::wstring path(buffer.data(), n);
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring Wide(const std::string& bytes) {
    if (bytes.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), (int)bytes.size(), nullptr, 0);
    std::wstring out(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), (int)bytes.size(), out.data(), n);
    return out;
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void AppendShared(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    CloseHandle(file);
}

std::string ReadAll(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

void WriteAll(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    CloseHandle(file);
}

// The raw text after the program name, as the caller built it.
std::wstring ArgumentText() {
    const std::wstring line = GetCommandLineW();
    std::size_t i = 0;
    if (!line.empty() && line[0] == L'"') {
        const std::size_t close = line.find(L'"', 1);
        i = close == std::wstring::npos ? line.size() : close + 1;
    } else {
        while (i < line.size() && line[i] != L' ' && line[i] != L'\t') ++i;
    }
    while (i < line.size() && (line[i] == L' ' || line[i] == L'\t')) ++i;
    return line.substr(i);
}

struct Task {
    std::wstring name, run, folder;
};

std::vector<Task> LoadTasks(const std::wstring& path) {
    std::vector<Task> tasks;
    const std::wstring text = Wide(ReadAll(path));
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        if (!line.empty()) {
            Task task{line, L"", L""};
            const std::size_t tab = line.find(L'\t');
            if (tab != std::wstring::npos) {
                task.name = line.substr(0, tab);
                task.run = line.substr(tab + 1);
                const std::size_t second = task.run.find(L'\t');
                if (second != std::wstring::npos) {
                    task.folder = task.run.substr(second + 1);
                    task.run.resize(second);
                }
            }
            tasks.push_back(task);
        }
        start = end + 1;
    }
    return tasks;
}

void SaveTasks(const std::wstring& path, const std::vector<Task>& tasks) {
    std::string bytes;
    for (const Task& task : tasks)
        bytes += Utf8(task.name + L"\t" + task.run + (task.folder.empty() ? L"" : L"\t" + task.folder)) + "\r\n";
    WriteAll(path, bytes);
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), (int)a.size(), b.c_str(), (int)b.size(), TRUE) == CSTR_EQUAL;
}

bool IsSwitch(const std::wstring& arg, const wchar_t* name) {
    return SameName(arg, name);
}

// The value after a switch; false when there is none or another switch follows.
bool SwitchValue(const std::vector<std::wstring>& args, const wchar_t* name, std::wstring& value) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (!IsSwitch(args[i], name)) continue;
        if (i + 1 >= args.size() || args[i + 1].empty() || args[i + 1][0] == L'/') return false;
        value = args[i + 1];
        return true;
    }
    return false;
}

void Print(const std::wstring& text) {
    const std::string bytes = Utf8(text);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), (DWORD)bytes.size(), &written, nullptr);
}

std::wstring Padded(const std::wstring& text, std::size_t width) {
    return text.size() >= width ? text : text + std::wstring(width - text.size(), L' ');
}

bool HasSwitch(const std::vector<std::wstring>& args, const wchar_t* name) {
    for (const std::wstring& arg : args)
        if (IsSwitch(arg, name)) return true;
    return false;
}

// The text of the first <NAME>...</NAME>, its entities resolved; empty when absent.
std::wstring ElementText(const std::wstring& xml, const std::wstring& name) {
    const std::size_t open = xml.find(L"<" + name + L">");
    if (open == std::wstring::npos) return {};
    const std::size_t start = open + name.size() + 2;
    const std::size_t close = xml.find(L"</" + name + L">", start);
    if (close == std::wstring::npos) return {};
    std::wstring text = xml.substr(start, close - start);
    const wchar_t* const entities[][2] = {{L"&lt;", L"<"}, {L"&gt;", L">"}, {L"&quot;", L"\""}, {L"&apos;", L"'"},
                                          {L"&amp;", L"&"}};
    for (const auto& entity : entities) {
        for (std::size_t at = text.find(entity[0]); at != std::wstring::npos; at = text.find(entity[0], at + 1))
            text.replace(at, wcslen(entity[0]), entity[1]);
    }
    return text;
}

// The task that a definition file describes; false when it cannot be read as schtasks reads it.
bool ReadDefinition(const std::wstring& path, const std::wstring& folder, Task& task) {
    const std::string bytes = ReadAll(path);
    if (bytes.size() < 2 || bytes[0] != '\xFF' || bytes[1] != '\xFE' || bytes.size() % 2 != 0) return false;
    WriteAll(folder + L"schtasks-task.xml", bytes);
    std::wstring xml;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const unsigned low = static_cast<unsigned char>(bytes[i]), high = static_cast<unsigned char>(bytes[i + 1]);
        xml += static_cast<wchar_t>(low | high << 8);
    }
    const std::wstring command = ElementText(xml, L"Command");
    if (command.empty()) return false;
    const std::wstring arguments = ElementText(xml, L"Arguments");
    task.run = L"\"" + command + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    task.folder = ElementText(xml, L"WorkingDirectory");
    return true;
}

int AddTask(const Task& added, const std::wstring& folder) {
    if (FileExists(folder + L"schtasks-reject.txt")) {
        Print(L"ERROR: Access is denied.\r\n");
        return 1;
    }
    const std::wstring listPath = folder + L"schtasks-tasks.txt";
    std::vector<Task> tasks = LoadTasks(listPath);
    bool replaced = false;
    for (Task& task : tasks) {
        if (SameName(task.name, added.name)) {
            task = added;
            replaced = true;
        }
    }
    if (!replaced) tasks.push_back(added);
    SaveTasks(listPath, tasks);
    Print(L"SUCCESS: The scheduled task \"" + added.name + L"\" has successfully been created.\r\n");
    return 0;
}

int Create(const std::vector<std::wstring>& args, const std::wstring& folder) {
    if (HasSwitch(args, L"/xml")) {
        Task defined;
        std::wstring path;
        if (!SwitchValue(args, L"/tn", defined.name) || !SwitchValue(args, L"/xml", path) ||
            HasSwitch(args, L"/sc") || HasSwitch(args, L"/tr") || HasSwitch(args, L"/st")) {
            Print(L"ERROR: Invalid syntax.\r\n");
            return 1;
        }
        if (!ReadDefinition(path, folder, defined)) {
            Print(L"ERROR: The task XML is malformed.\r\n");
            return 1;
        }
        return AddTask(defined, folder);
    }
    for (const wchar_t* option : {L"/sc", L"/tn", L"/tr", L"/st", L"/d", L"/mo", L"/m"}) {
        std::wstring ignored;
        if (HasSwitch(args, option) && !SwitchValue(args, option, ignored)) {
            Print(std::wstring(L"ERROR: Invalid syntax. Value expected for '") + option + L"'.\r\n");
            return 1;
        }
    }
    std::wstring name, run, kind;
    if (!SwitchValue(args, L"/sc", kind) || !SwitchValue(args, L"/tn", name) || !SwitchValue(args, L"/tr", run)) {
        Print(L"ERROR: Invalid syntax. Mandatory option is missing.\r\n");
        return 1;
    }
    return AddTask({name, run, L""}, folder);
}

int Delete(const std::vector<std::wstring>& args, const std::wstring& folder) {
    std::wstring name;
    if (!SwitchValue(args, L"/tn", name)) {
        Print(L"ERROR: Invalid syntax.\r\n");
        return 1;
    }
    const std::wstring listPath = folder + L"schtasks-tasks.txt";
    std::vector<Task> kept;
    bool found = false;
    for (const Task& task : LoadTasks(listPath)) {
        if (SameName(task.name, name)) {
            found = true;
        } else {
            kept.push_back(task);
        }
    }
    if (!found) {
        Print(L"ERROR: The system cannot find the file specified.\r\n");
        return 1;
    }
    SaveTasks(listPath, kept);
    Print(L"SUCCESS: The scheduled task \"" + name + L"\" was successfully deleted.\r\n");
    return 0;
}

int Query(const std::wstring& folder) {
    std::wstring text = L"\r\nFolder: \\\r\n";
    text += Padded(L"TaskName", 40) + L" " + Padded(L"Next Run Time", 22) + L" " + Padded(L"Status", 15) + L"\r\n";
    text += std::wstring(40, L'=') + L" " + std::wstring(22, L'=') + L" " + std::wstring(15, L'=') + L"\r\n";
    for (const Task& task : LoadTasks(folder + L"schtasks-tasks.txt"))
        text += Padded(task.name, 40) + L" " + Padded(L"N/A", 22) + L" " + Padded(L"Ready", 15) + L"\r\n";
    Print(text);
    return 0;
}

int Run(const std::vector<std::wstring>& args, const std::wstring& folder) {
    std::wstring name;
    if (!SwitchValue(args, L"/tn", name)) return 1;
    for (const Task& task : LoadTasks(folder + L"schtasks-tasks.txt")) {
        if (!SameName(task.name, name)) continue;
        std::wstring commandLine = task.run;
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            task.folder.empty() ? nullptr : task.folder.c_str(), &startup, &process)) {
            Print(L"ERROR: The task could not be started.\r\n");
            return 1;
        }
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return static_cast<int>(code);
    }
    return 1;
}

}  // namespace

int wmain() {
    const std::wstring folder = OwnFolder();
    const std::wstring argumentText = ArgumentText();
    AppendShared(folder + L"schtasks-calls.txt", Utf8(argumentText) + "\r\n");
    if (FileExists(folder + L"schtasks-hang.txt")) Sleep(INFINITE);

    std::vector<std::wstring> args;
    int count = 0;
    const std::wstring forSplit = L"schtasks " + argumentText;
    wchar_t** split = CommandLineToArgvW(forSplit.c_str(), &count);
    for (int i = 1; split && i < count; ++i) args.push_back(split[i]);
    if (split) LocalFree(split);

    if (args.empty() || IsSwitch(args[0], L"/query")) return Query(folder);
    if (IsSwitch(args[0], L"/create")) return Create(args, folder);
    if (IsSwitch(args[0], L"/delete")) return Delete(args, folder);
    if (IsSwitch(args[0], L"/run")) return Run(args, folder);
    Print(L"ERROR: Invalid argument/option.\r\n");
    return 1;
}
