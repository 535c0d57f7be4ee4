// What the end-to-end tests of the setup program and the companions share:
// starting a program with its output captured, the command line of a running
// process, the message boxes a program shows, the shortcut targets, and a
// snapshot of the Wine prefix (its files and registry) to compare before and
// after an installation. Processes are started directly (not through the
// program's shell seam), and the registry is read in-process in the view asked.
#pragma once
#include <windows.h>
#include <shobjidl.h>
#include <shlobj.h>
#include <winternl.h>
#include <wrl/client.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/com.h"
#include "base/files.h"
#include "base/listfile.h"
#include "base/registry.h"
#include "base/strings.h"
#include "base/unique_any.h"
#include "support/process.h"
#include "support/regroot.h"

namespace qm::test {

// Runs a program to its end with its standard output captured (as UTF-8 text
// with CR removed); the exit code goes to exitCode.
inline std::string RunCaptured(const std::wstring& exe, const std::wstring& args, DWORD& exitCode,
                               DWORD timeoutMs = 60000) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    exitCode = static_cast<DWORD>(-1);
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return {};
    unique_handle reader(readEnd), writer(writeEnd);
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::wstring line = L"\"" + exe + L"\" " + args;
    if (!::CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si,
                          &pi))
        return {};
    unique_handle process(pi.hProcess), thread(pi.hThread);
    writer.reset();
    std::string out;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(reader.get(), buffer, sizeof(buffer), &got, nullptr) && got) out.append(buffer, got);
    ::WaitForSingleObject(process.get(), timeoutMs);
    ::GetExitCodeProcess(process.get(), &exitCode);
    std::string text;
    for (char c : out)
        if (c != '\r') text.push_back(c);
    return text;
}

// The "name=value" lines of a program's output.
inline std::map<std::string, std::string> OutputValues(const std::string& text) {
    std::map<std::string, std::string> values;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        size_t eq = line.find('=');
        if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
        at = end + 1;
    }
    return values;
}

// The command line of a running process of this architecture, read from its
// process parameters.
inline std::wstring ProcessCommandLine(DWORD pid) {
    using QueryFn = LONG(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    unique_handle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!query || !process) return {};
    PROCESS_BASIC_INFORMATION basic{};
    PEB peb{};
    RTL_USER_PROCESS_PARAMETERS parameters{};
    if (query(process.get(), ProcessBasicInformation, &basic, sizeof(basic), nullptr) != 0 ||
        !::ReadProcessMemory(process.get(), basic.PebBaseAddress, &peb, sizeof(peb), nullptr) ||
        !::ReadProcessMemory(process.get(), peb.ProcessParameters, &parameters, sizeof(parameters), nullptr))
        return {};
    std::wstring line(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
    if (!::ReadProcessMemory(process.get(), parameters.CommandLine.Buffer, line.data(), parameters.CommandLine.Length,
                             nullptr))
        return {};
    return line;
}

// The first message box (#32770) a process shows, or null.
inline HWND MessageBoxOf(DWORD pid) { return FindProcessWindow(L"#32770", pid); }

inline std::wstring DialogText(HWND dialog) {
    std::wstring all;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t text[2048] = {};
        ::GetWindowTextW(child, text, 2048);
        all += text;
        all += L"\n";
    }
    return all;
}

// Waits for a message box of the process and presses the button.
inline bool AnswerMessageBox(DWORD pid, int button, std::wstring* text = nullptr, DWORD ms = 30000) {
    HWND box = nullptr;
    if (!WaitUntil([&] { return (box = MessageBoxOf(pid)) != nullptr; }, ms)) return false;
    ::Sleep(100);
    if (text) *text = DialogText(box);
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box, button)));
    // Gone before the next one is looked for.
    return WaitUntil([&] { return !::IsWindow(box); }, ms);
}

// The names of the files directly in a folder.
inline std::vector<std::wstring> FileNames(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    unique_hfind find(::FindFirstFileW(LongPathForm(JoinPath(folder, L"*")).c_str(), &data));
    if (!find) return names;
    do
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(data.cFileName);
    while (::FindNextFileW(find.get(), &data));
    std::sort(names.begin(), names.end());
    return names;
}

// The logical lines of what the system's reg.exe exports of a key and its
// subkeys ("HKLM\..." or "HKCU\..."; view "/reg:32", "/reg:64" or empty):
// key lines "[...]" and value lines, a value continued over several lines
// joined into one. Nothing when the key is missing or the export fails.
inline std::optional<std::vector<std::wstring>> RegExport(const std::wstring& key, const std::wstring& view = {}) {
    wchar_t system[MAX_PATH] = {}, temp[MAX_PATH] = {}, file[MAX_PATH] = {};
    if (!::GetSystemDirectoryW(system, MAX_PATH) || !::GetTempPathW(MAX_PATH, temp) ||
        !::GetTempFileNameW(temp, L"reg", 0, file))
        return std::nullopt;
    DWORD code = 0;
    RunCaptured(JoinPath(system, L"reg.exe"),
                L"export \"" + key + L"\" \"" + file + L"\" /y" + (view.empty() ? L"" : L" " + view), code);
    std::optional<std::string> bytes = ReadFileBytes(file);
    ::DeleteFileW(file);
    if (code != 0 || !bytes) return std::nullopt;
    const std::wstring text = DecodeText(*bytes);
    std::vector<std::wstring> lines;
    std::wstring logical;
    for (size_t at = 0; at <= text.size();) {
        size_t end = text.find(L'\n', at);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(at, end - at);
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        at = end + 1;
        logical += logical.empty() ? line : Trim(line);
        if (!logical.empty() && logical.back() == L'\\' && logical.front() != L'[') {
            logical.pop_back();  // continued on the next line
            continue;
        }
        if (!logical.empty() && !StartsWith(logical, L"Windows Registry Editor")) lines.push_back(logical);
        logical.clear();
    }
    return lines;
}

// The string values directly under a key as reg.exe exports them, by name
// ("" for the default value), their text unescaped. Nothing when the key is missing.
inline std::optional<std::map<std::wstring, std::wstring>> RegExportValues(const std::wstring& key,
                                                                           const std::wstring& view) {
    std::optional<std::vector<std::wstring>> lines = RegExport(key, view);
    if (!lines) return std::nullopt;
    std::map<std::wstring, std::wstring> values;
    bool inKey = false;
    // "HKEY_LOCAL_MACHINE\Software\X" and "HKLM\Software\X" alike: "\Software\X".
    auto pathBelowRoot = [](const std::wstring& k) {
        size_t at = k.find(L'\\');
        return at == std::wstring::npos ? std::wstring() : k.substr(at);
    };
    // A quoted .reg text from at (its opening quote): its content, and where it ends.
    auto quoted = [](const std::wstring& line, size_t at, size_t& end) {
        std::wstring out;
        for (end = at + 1; end < line.size() && line[end] != L'"'; ++end) {
            if (line[end] == L'\\' && end + 1 < line.size()) ++end;
            out.push_back(line[end]);
        }
        return out;
    };
    for (const std::wstring& line : *lines) {
        if (line.front() == L'[') {
            inKey = EqualsNoCase(pathBelowRoot(line.substr(1, line.size() - 2)), pathBelowRoot(key));
            continue;
        }
        if (!inKey) continue;
        size_t end = 0;
        std::wstring name = line.front() == L'@' ? std::wstring() : quoted(line, 0, end);
        size_t eq = line.front() == L'@' ? 1 : end + 1;
        if (eq + 1 < line.size() && line[eq] == L'=' && line[eq + 1] == L'"') values[name] = quoted(line, eq + 1, end);
    }
    return values;
}

// The prefix as far as an installation can change it: every file and folder
// of drive C (with its size), and every key and value of the machine's
// software (both views: the 32-bit one is its Wow6432Node) and of the user's,
// as reg.exe exports them. What the skip test names is left out.
struct TPrefixSnapshot {
    std::map<std::wstring, std::wstring> entries;  // "file C:\..." -> size, "reg [key] value line" -> ""
    size_t registryLines = 0;                      // how many the exports held (none: they failed)

    static TPrefixSnapshot Take(const std::function<bool(const std::wstring&)>& skip) {
        TPrefixSnapshot s;
        s.AddFolder(L"C:", skip);
        for (const auto& [key, view] : {std::pair<const wchar_t*, const wchar_t*>{L"HKLM\\Software", L"/reg:64"},
                                        std::pair<const wchar_t*, const wchar_t*>{L"HKCU\\Software", L""}}) {
            std::wstring current;
            for (const std::wstring& line : RegExport(key, view).value_or(std::vector<std::wstring>{})) {
                if (line.front() == L'[') current = line;
                s.Add(L"reg " + (line.front() == L'[' ? line : current + L" " + line), L"", skip);
                ++s.registryLines;
            }
        }
        return s;
    }

    // The entries only in this one or only in the other, or different.
    std::vector<std::wstring> Differences(const TPrefixSnapshot& other) const {
        std::vector<std::wstring> out;
        for (const auto& [k, v] : entries) {
            auto it = other.entries.find(k);
            if (it == other.entries.end())
                out.push_back(L"- " + k);
            else if (it->second != v)
                out.push_back(L"~ " + k + L" (" + v + L" -> " + it->second + L")");
        }
        for (const auto& [k, v] : other.entries)
            if (!entries.count(k)) out.push_back(L"+ " + k);
        return out;
    }

private:
    void Add(const std::wstring& key, const std::wstring& value, const std::function<bool(const std::wstring&)>& skip) {
        if (!skip || !skip(key)) entries[ToLower(key)] = value;
    }
    void AddFolder(const std::wstring& folder, const std::function<bool(const std::wstring&)>& skip) {
        WIN32_FIND_DATAW data;
        unique_hfind find(::FindFirstFileW(LongPathForm(folder + L"\\*").c_str(), &data));
        if (!find) return;
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = folder + L"\\" + name;
            const bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            std::wstring key = (isFolder ? L"folder " : L"file ") + path;
            if (skip && skip(key)) continue;
            Add(key, isFolder ? L"" : std::to_wstring(data.nFileSizeLow), skip);
            if (isFolder && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) AddFolder(path, skip);
        } while (::FindNextFileW(find.get(), &data));
    }
};

}  // namespace qm::test
