#include "records/inifile.h"

#include <windows.h>

#include "base/files.h"
#include "base/strings.h"

namespace qm {

TSettingsWriteError::TSettingsWriteError(const std::wstring& path)
    : std::runtime_error("Unable to write to " + WideToUtf8(path)), message_(L"Unable to write to " + path) {}

std::wstring TIniFile::ReadString(const wchar_t* section, const wchar_t* key, const std::wstring& def) const {
    std::wstring buf(256, L'\0');
    for (;;) {
        DWORD n = ::GetPrivateProfileStringW(section, key, def.c_str(), buf.data(), static_cast<DWORD>(buf.size()),
                                             path_.c_str());
        if (n + 1 < buf.size()) {
            buf.resize(n);
            return buf;
        }
        if (buf.size() >= 65536) {
            buf.resize(n);
            return buf;
        }
        buf.resize(buf.size() * 4);
    }
}

int TIniFile::ReadInteger(const wchar_t* section, const wchar_t* key, int def) const {
    int value = 0;
    return TryParseInt(ReadString(section, key, L""), value) ? value : def;
}

bool TIniFile::ReadBool(const wchar_t* section, const wchar_t* key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(const wchar_t* section, const wchar_t* key, const std::wstring& value) {
    bool isNew = !PathExists(path_);
    if (isNew && !path_.empty()) {
        // A new file starts with the UTF-16 byte-order mark, so the profile functions
        // keep every character of a value (a record folder with any name survives).
        std::string bom("\xFF\xFE", 2);
        WriteFileReplacing(path_, bom);
    }
    if (path_.empty() || !::WritePrivateProfileStringW(section, key, value.c_str(), path_.c_str()))
        throw TSettingsWriteError(path_);
    if (isNew) {
        DWORD a = ::GetFileAttributesW(path_.c_str());
        if (a != INVALID_FILE_ATTRIBUTES) ::SetFileAttributesW(path_.c_str(), a | FILE_ATTRIBUTE_HIDDEN);
    }
}

void TIniFile::WriteInteger(const wchar_t* section, const wchar_t* key, int value) {
    WriteString(section, key, std::to_wstring(value));
}

void TIniFile::WriteBool(const wchar_t* section, const wchar_t* key, bool value) {
    WriteString(section, key, value ? L"1" : L"0");
}

}  // namespace qm
