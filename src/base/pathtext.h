// Pure text rules on paths, addresses and command strings. Records store their
// results and compare them with the live desktop, so each rule is exact.
#pragma once
#include <string>
#include <string_view>

namespace qm {

// Trims; a path beginning "\\" (or empty) is returned as trimmed. Otherwise one
// "\" is appended and every "\\\" and then every "\\" collapses to "\".
std::wstring NormaliseFolderPath(std::wstring_view path);

// Drops one trailing "\".
std::wstring StripTrailingBackslash(std::wstring_view path);

// The extension: the text from the last "." after the last "\" or ":" (empty when none).
std::wstring ExtensionOf(std::wstring_view path);

// Text before the last "." when that "." comes after every "\" and ":".
std::wstring NameWithoutExtension(std::wstring_view text);

// Text before the last "."; empty when there is none.
std::wstring RecordName(std::wstring_view text);

// Expands only the first %NAME% whose variable is set and not empty.
std::wstring ExpandFirstEnvironmentVariable(std::wstring_view text);

// Reduces a command line or quoted path to the program or file it names;
// addresses beginning "http:" or "https:" are returned unchanged.
std::wstring NormaliseLocation(std::wstring_view text);

// The path lower-cased and trimmed contains "http://" or "https://".
bool IsWebAddress(std::wstring_view path);

}  // namespace qm

namespace qm {

// The text can be the name of a file in a folder, and only that: not empty,
// no "\" or "/", no ":" (a drive or a stream), no other character a file name
// cannot hold or a control character, not "." or "..", no trailing dot or
// blank (the file system would drop them), not a device name such as CON,
// NUL, COM1 or LPT1 (with or without an extension), and at most 255
// characters.
bool IsValidFileName(std::wstring_view name);

}  // namespace qm
