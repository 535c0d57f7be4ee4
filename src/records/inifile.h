// A settings file read and written through the profile functions, key by key,
// with no cache. Integers take decimal or "0x" hexadecimal; anything else, or a
// missing key, gives the caller's default.
#pragma once
#include <stdexcept>
#include <string>

namespace qm {

// Raised when the system refuses a write: "Unable to write to <path>".
class TSettingsWriteError : public std::runtime_error {
public:
    explicit TSettingsWriteError(const std::wstring& path);
    const std::wstring& Message() const { return message_; }

private:
    std::wstring message_;
};

class TIniFile {
public:
    TIniFile() = default;
    explicit TIniFile(std::wstring path) : path_(std::move(path)) {}

    const std::wstring& Path() const { return path_; }

    std::wstring ReadString(const wchar_t* section, const wchar_t* key, const std::wstring& def) const;
    int ReadInteger(const wchar_t* section, const wchar_t* key, int def) const;
    bool ReadBool(const wchar_t* section, const wchar_t* key, bool def) const;

    // Each write reaches the file at once. A file that the first write creates is
    // hidden. Throws TSettingsWriteError when the system refuses.
    void WriteString(const wchar_t* section, const wchar_t* key, const std::wstring& value);
    void WriteInteger(const wchar_t* section, const wchar_t* key, int value);
    void WriteBool(const wchar_t* section, const wchar_t* key, bool value);

private:
    std::wstring path_;
};

}  // namespace qm
