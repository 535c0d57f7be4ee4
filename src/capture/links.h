// What shortcuts point to: link resolution (plain and advertised installer
// shortcuts), association lookup of a document's program, and the program of an
// entry.
#pragma once
#include <windows.h>

#include <string>

namespace qm {

// The four strings of the installer-aware shortcut read; only the target is used.
struct TLinkParams {
    std::wstring target;
    std::wstring description;
    std::wstring arguments;
    std::wstring workingDirectory;
};

// Resolves shortcuts with one shell-link object that is loaded again for every
// file, so scanning thousands of shortcuts creates it once.
class TLinkResolver {
public:
    TLinkResolver();
    ~TLinkResolver();
    TLinkResolver(const TLinkResolver&) = delete;
    TLinkResolver& operator=(const TLinkResolver&) = delete;

    // A ".lnk" path gives its target; an unusable target (empty, or holding one of
    // ? * " > < |) gives the shortcut itself; any other path is returned as it is.
    std::wstring Resolve(const std::wstring& path);

private:
    struct Impl;
    Impl* impl_;
};

// Link resolution with a resolver kept for the calling thread.
std::wstring ResolveLink(const std::wstring& path);

// Reads a shortcut the installer-aware way: resolved against owner, and for an
// advertised installer shortcut the installed component's path as the target.
TLinkParams ReadInstallerLink(const std::wstring& path, HWND owner = nullptr);

// The registry's command for a document (by its extension's class), or empty.
std::wstring RegistryCommandFor(const std::wstring& path);
// The program that opens a document: programs (".exe", ".bat", ".msi") are their
// own program; otherwise the registered command reduced to its program path.
std::wstring AssociationLookup(const std::wstring& path);
// The program of a command-line entry or shortcut (the startup-program filter).
std::wstring ProgramOfEntry(const std::wstring& path);

}  // namespace qm
