// TWindowsStartMan: what Windows starts at log-on. It reads the Run keys of the
// user and of the machine and the Startup folders of the user and of all users,
// remembering where each entry came from, and writes and deletes Run values for
// the startup programs manager. The machine's Run key is read and written in the
// 64-bit view of the registry, so a 32-bit build on 64-bit Windows sees the key
// Windows reads (not its WOW6432Node copy). Tests hand in registry roots and
// folders of their own.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "capture/sources.h"

namespace qm {

// Whose startup programs: "Current User" or "All Users".
enum class TStartScope { User, Machine };

// Where a startup entry comes from.
enum class TStartSource { CommonStartupFolder, UserStartupFolder, UserRun, MachineRun };

struct TStartEntry {
    TStartSource source;
    // A Run value: its name. A Startup-folder file: its file name.
    std::wstring name;
    // A Run value: its data as stored (a command line, possibly quoted and with
    // arguments). A Startup-folder file: its full path.
    std::wstring data;
    bool FromRunKey() const { return source == TStartSource::UserRun || source == TStartSource::MachineRun; }
    TStartScope Scope() const {
        return source == TStartSource::UserRun || source == TStartSource::UserStartupFolder ? TStartScope::User
                                                                                            : TStartScope::Machine;
    }
};

// The Run key under both roots.
inline constexpr wchar_t kStartRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

// Where the entries are read and written. The roots are HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE in the program; a test passes keys of its own (the caller
// keeps them open) and folders of its own.
struct TStartPlaces {
    HKEY userRoot = HKEY_CURRENT_USER;
    HKEY machineRoot = HKEY_LOCAL_MACHINE;
    std::wstring userStartupFolder;    // empty: the user's Startup folder (CSIDL_STARTUP)
    std::wstring commonStartupFolder;  // empty: the all-users Startup folder (CSIDL_COMMON_STARTUP)
};

// A Run command split into the program it starts and the arguments it passes.
struct TStartCommand {
    std::wstring program;
    std::wstring arguments;
};

// Splits a Run command the way Windows starts it: environment variables are
// expanded; a quoted program ends at its closing quote; an unquoted one is the
// shortest prefix ending before a blank that names an existing file (with or
// without ".exe"), or the first word when none does. Addresses beginning
// "http:" or "https:" are a program of their own.
TStartCommand SplitStartCommand(const std::wstring& command);

// The program a startup entry starts, lower-cased and normalised, as the filter
// compares it with a running program's path: a Startup-folder shortcut through
// its target, a Run command through the program it names. Only an executable
// counts: a document (which would stand for every window of the program that
// opens it), an address, and the shell's hosts (explorer,
// rundll32, dllhost) and this program give nothing.
std::wstring StartupProgramOf(const TStartEntry& entry);

class TWindowsStartMan : public IStartupFilter {
public:
    explicit TWindowsStartMan(TStartPlaces places = {});

    const TStartPlaces& Places() const { return places_; }
    // Other roots and folders; the filter reads its entries again on next use.
    void SetPlaces(TStartPlaces places);

    // A running program (its executable path) is started by one of the
    // entries. The entries are read on the first call and kept: what is added
    // or removed later counts from the next program start.
    bool IsStartupProgram(const std::wstring& path) override;
    // The entries the filter reads: LoadEntries' and, on 64-bit Windows, the
    // machine's Run values of the 32-bit view as well (Windows starts both).
    std::vector<TStartEntry> FilterEntries() const;

    // The Startup folder of a scope with a trailing "\", or empty when unknown.
    std::wstring StartupFolder(TStartScope scope) const;

    // The full path of every file in the folder (not its subfolders), skipping
    // hidden files; with a mask other than "" or ".*", only names containing it
    // (ignoring case). At most 5000 entries of the folder are looked at.
    static std::vector<std::wstring> FolderFiles(const std::wstring& folder, const std::wstring& mask = {});

    // The files of the scope's Startup folder.
    std::vector<TStartEntry> FolderEntries(TStartScope scope) const;
    // The string values (REG_SZ, REG_EXPAND_SZ) of the scope's Run key in
    // registry order; a value of another type is skipped, the listing goes on.
    // A key that does not open gives nothing.
    std::vector<TStartEntry> RunEntries(TStartScope scope) const;
    // Every entry in the startup filter's order: the common Startup folder, the
    // user's Startup folder, the user's Run values, the machine's Run values.
    std::vector<TStartEntry> LoadEntries() const;

    // The Run key of the scope has a value of this name (of any type).
    bool HasRunValue(TStartScope scope, const std::wstring& name) const;
    // Writes (or replaces) a string value, creating the Run key when it is
    // missing. ERROR_SUCCESS or the registry's error (ERROR_ACCESS_DENIED
    // without the rights for the machine's key).
    LSTATUS SetRunValue(TStartScope scope, const std::wstring& name, const std::wstring& data) const;
    // Deletes exactly this value; ERROR_FILE_NOT_FOUND when it is not there.
    LSTATUS DeleteRunValue(TStartScope scope, const std::wstring& name) const;

private:
    HKEY Root(TStartScope scope) const;
    static REGSAM View(TStartScope scope);
    std::vector<TStartEntry> RunEntries(TStartScope scope, REGSAM view) const;

    TStartPlaces places_;
    std::optional<std::vector<std::wstring>> programs_;  // the filter's, once read
};

}  // namespace qm
