#include "companions/uninstall/selfdelete.h"

#include <windows.h>

#include "base/files.h"
#include "base/strings.h"
#include "base/unique_any.h"

namespace qm {

namespace {

// A new "uis....bat" in the folder; the ".tmp" file GetTempFileName made goes.
std::wstring NewBatchPath(const std::wstring& folder) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        wchar_t name[MAX_PATH] = {};
        if (!::GetTempFileNameW(folder.c_str(), L"uis", 0, name)) return {};
        ::DeleteFileW(name);
        std::wstring batch = ChangeExtension(name, L".bat");
        if (!PathExists(batch)) return batch;
    }
    return {};
}

// This process's environment with the variables added.
std::wstring EnvironmentWith(const std::vector<std::wstring>& variables) {
    std::wstring block;
    if (wchar_t* current = ::GetEnvironmentStringsW()) {
        for (const wchar_t* at = current; *at; at += wcslen(at) + 1) {
            std::wstring entry(at);
            if (StartsWithNoCase(entry, L"QM_DELETE_")) continue;
            block += entry;
            block.push_back(L'\0');
        }
        ::FreeEnvironmentStringsW(current);
    }
    for (const std::wstring& v : variables) {
        block += v;
        block.push_back(L'\0');
    }
    block.push_back(L'\0');
    return block;
}

}  // namespace

std::string SelfDeletionBatch(size_t folderCount, int tries) {
    std::string text =
        "@echo off\r\n"
        "set qmtries=0\r\n"
        ":retry\r\n"
        "if not exist \"%QM_DELETE_FILE%\" goto removed\r\n"
        "del /f /q \"%QM_DELETE_FILE%\" >nul 2>&1\r\n"
        "if not exist \"%QM_DELETE_FILE%\" goto removed\r\n"
        "set /a qmtries=qmtries+1\r\n"
        "if %qmtries% geq " +
        std::to_string(tries) +
        " goto removed\r\n"
        "ping -n 2 127.0.0.1 >nul 2>&1\r\n"
        "goto retry\r\n"
        ":removed\r\n";
    for (size_t i = 1; i <= folderCount; ++i)
        text += "rmdir \"%QM_DELETE_FOLDER" + std::to_string(i) + "%\" >nul 2>&1\r\n";
    text += "del \"%~f0\" >nul 2>&1\r\n";
    return text;
}

std::vector<std::wstring> SelfDeletionVariables(const std::wstring& file, const std::vector<std::wstring>& folders) {
    std::vector<std::wstring> variables{L"QM_DELETE_FILE=" + file};
    for (size_t i = 0; i < folders.size(); ++i)
        variables.push_back(L"QM_DELETE_FOLDER" + std::to_wstring(i + 1) + L"=" + folders[i]);
    return variables;
}

bool StartSelfDeletion(const std::wstring& file, const std::vector<std::wstring>& folders) {
    const std::wstring temp = TempFolder();
    const std::wstring batch = NewBatchPath(temp);
    if (batch.empty() || !WriteFileReplacing(batch, SelfDeletionBatch(folders.size()), TDurability::NoFlush))
        return false;
    wchar_t system[MAX_PATH] = {};
    UINT n = ::GetSystemDirectoryW(system, MAX_PATH);
    if (!n || n >= MAX_PATH) return false;
    const std::wstring cmd = JoinPath(std::wstring(system, n), L"cmd.exe");
    // The batch's own name has no blank; it runs from the temporary folder.
    std::wstring line = L"\"" + cmd + L"\" /d /c " + FileNameOf(batch);
    std::wstring environment = EnvironmentWith(SelfDeletionVariables(file, folders));
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(cmd.c_str(), line.data(), nullptr, nullptr, FALSE,
                          CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT, environment.data(), temp.c_str(), &si, &pi)) {
        ::DeleteFileW(batch.c_str());
        return false;
    }
    unique_handle process(pi.hProcess), thread(pi.hThread);
    return true;
}

}  // namespace qm
