// Text helpers shared by every program: trimming, case-insensitive comparison
// with the platform's rules, replacement and code-page conversion.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// Removes leading and trailing characters at or below the blank (spaces and
// control characters), as the program's path comparisons expect.
std::wstring Trim(std::wstring_view s);
std::wstring TrimLeft(std::wstring_view s);
std::wstring TrimRight(std::wstring_view s);

// Whole-text Unicode case mapping.
std::wstring ToLower(std::wstring_view s);
std::wstring ToUpper(std::wstring_view s);

// Ordinal comparisons that ignore case (the file system's notion of case).
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);
bool StartsWithNoCase(std::wstring_view s, std::wstring_view prefix);
bool EndsWithNoCase(std::wstring_view s, std::wstring_view suffix);
bool ContainsNoCase(std::wstring_view s, std::wstring_view part);
// Position of part in s ignoring case, or npos.
size_t FindNoCase(std::wstring_view s, std::wstring_view part, size_t from = 0);

bool StartsWith(std::wstring_view s, std::wstring_view prefix);
bool EndsWith(std::wstring_view s, std::wstring_view suffix);

// Replaces every occurrence of from (exact case) by to, scanning left to right.
std::wstring ReplaceAll(std::wstring_view s, std::wstring_view from, std::wstring_view to);

// The parts of s between separators; "a..b" split at "." gives "a", "", "b".
std::vector<std::wstring> SplitAt(std::wstring_view s, wchar_t separator);

// Code-page conversion through the platform (invalid input becomes U+FFFD).
std::wstring Utf8ToWide(std::string_view s);
std::string WideToUtf8(std::wstring_view s);
std::wstring AnsiToWide(std::string_view s);
std::string WideToAnsi(std::wstring_view s);

// Parses a whole decimal integer with an optional sign, or hexadecimal after
// "0x"/"0X". Surrounding blanks are allowed; anything else fails.
bool TryParseInt(std::wstring_view s, int& value);

// printf-style formatting into a wide string ("%ls" for wide arguments).
std::wstring Format(const wchar_t* fmt, ...);

}  // namespace qm
