// Facts about the running process and system that more than one program needs.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// The arguments of the wide command line as Windows splits them, without the
// program name.
std::vector<std::wstring> CommandLineArguments(const wchar_t* commandLine);
// The text as one argument of a command line: in quotes when it is empty or
// holds a blank or a tab (a path never holds a quote), as it is otherwise.
std::wstring QuoteArgument(std::wstring_view text);
// The arguments as one command line, each quoted where it needs it.
std::wstring CommandLineOf(const std::vector<std::wstring>& args);

// The arguments in order, each after one blank, the whole trimmed: a path
// with blanks that came unquoted, and so split, is whole again.
std::wstring JoinArguments(const std::vector<std::wstring>& args);

// The thread's token (the process token when the thread has none) lists the
// built-in Administrators group (S-1-5-32-544) among its groups. Asked once;
// any failure answers false.
bool IsAdmin();

// The process is a 32-bit process on 64-bit Windows (asked once).
bool IsWow64();

// Windows itself is 64-bit: the process is, or runs under WOW64.
bool Is64BitWindows();

// The process runs with the Administrators group enabled in its token
// (CheckTokenMembership): a filtered token of an administrator on Vista and
// later, where the group is present only to deny, does not count. Asked once.
bool IsElevatedAdmin();

// The system's text for an error code, trimmed (empty when it has none).
std::wstring SystemErrorText(unsigned long code);

}  // namespace qm
