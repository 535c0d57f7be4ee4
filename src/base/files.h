// File-system helpers: whole-file reads, safe replacing writes, existence tests,
// folder creation and the shell's special folders.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// Whole file as bytes; nothing when it cannot be opened or read.
std::optional<std::string> ReadFileBytes(const std::wstring& path);

// Writes the bytes to a temporary file in the target's folder and moves it over
// the target, so a crash or a full disk never leaves a half-written file behind.
// On failure the old file is untouched and GetLastError tells why. A durable
// write also flushes the data to the disk before the move; files that can be
// lost without harm skip that wait.
enum class TDurability { Flush, NoFlush };
bool WriteFileReplacing(const std::wstring& path, std::string_view bytes, TDurability d = TDurability::Flush);

// A file written beside its target and moved over it on Commit; dropped (and the
// target untouched) when it is destroyed without a successful Commit. Commit is
// Finish (the data written whole and closed) and MoveIntoPlace, so several
// files can be written whole first and moved in only when all of them were.
class TReplacingFile {
public:
    explicit TReplacingFile(std::wstring path);
    ~TReplacingFile();
    TReplacingFile(const TReplacingFile&) = delete;
    TReplacingFile& operator=(const TReplacingFile&) = delete;

    bool IsOpen() const;
    bool Write(std::string_view bytes);
    bool Commit(TDurability durability = TDurability::Flush);
    bool Finish(TDurability durability = TDurability::Flush);
    bool MoveIntoPlace();

private:
    std::wstring path_, temp_;
    void* file_;
    bool failed_ = false;
    bool finished_ = false;
    bool moved_ = false;
    TDurability durability_ = TDurability::Flush;
};

// A new, empty file of its own in the temp folder (GetTempFileName), deleted
// when the object goes, however the work that used it ended.
class TTemporaryFile {
public:
    explicit TTemporaryFile(const wchar_t* prefix);
    ~TTemporaryFile();
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;
    // Empty when no file could be made.
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
};

bool PathExists(const std::wstring& path);
bool IsExistingFile(const std::wstring& path);
bool IsExistingFolder(const std::wstring& path);

// Creates the folder and every missing parent. True when it exists afterwards.
// The folders this call created, outermost first, are appended to created.
bool CreateFolderTree(const std::wstring& folder, std::vector<std::wstring>* created = nullptr);

// The temporary folder, with its trailing backslash; empty on failure.
std::wstring TempFolder();

// The shell folder for a CSIDL value, without a trailing backslash; empty on failure.
std::wstring SpecialFolder(int csidl);

// Full path of the running program (or of the given module) and its folder
// (with a trailing backslash).
std::wstring ModulePath(void* module = nullptr);
std::wstring ModuleFolder(void* module = nullptr);

// Text after the last "\" (or "/" or ":"); text up to and including it.
std::wstring FileNameOf(std::wstring_view path);
std::wstring FolderOf(std::wstring_view path);
// The path with its last extension (from the last "." of the file name) replaced.
std::wstring ChangeExtension(std::wstring_view path, std::wstring_view ext);
// Joins a folder and a name with exactly one backslash between them.
std::wstring JoinPath(std::wstring_view folder, std::wstring_view name);

// Adds the "\\?\" prefix to long absolute paths so the wide file functions take them.
std::wstring LongPathForm(const std::wstring& path);

}  // namespace qm
