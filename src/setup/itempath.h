// Where an archive item may be written: its path must be a plain relative path
// that stays inside the extraction folder.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace qm {

// The full path of the item below folder (a full path; a trailing "\" is
// optional), with "/" taken as "\". Nothing for a path that is empty, absolute or
// rooted ("\x", "C:\x", "C:x", "\\server\share", "\\?\..."), that has an empty,
// "." or ".." part, a part ending in a dot or a blank (Windows would drop them),
// a device name ("CON", "nul.txt", "COM1"), ":" (an alternate stream) or another
// character Windows does not allow in a name, or whose resolved path leaves the folder.
std::optional<std::wstring> ResolveItemPath(const std::wstring& folder, std::wstring_view itemPath);

// The full form of a folder path with exactly one trailing "\"; empty when the
// path is empty or cannot be resolved.
std::wstring FullFolderPath(const std::wstring& folder);

}  // namespace qm
