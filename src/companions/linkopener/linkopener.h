// The 64-bit link opener: opens a shortcut from a 64-bit process, for the
// 32-bit main program on 64-bit Windows. The shortcut comes on its command
// line (quoted), so two hand-overs in quick succession each open their own;
// without one it is read from the link hand-off file, which older main
// programs write.
#pragma once
#include <string>
#include <vector>

namespace qm {

// The link to open: the arguments joined with blanks and trimmed when there
// are any, else the hand-off file's text trimmed. Empty: nothing to open.
std::wstring LinkToOpen(const std::vector<std::wstring>& args, const std::wstring& handoffFile);

// The link hand-off file: the user data folder + "open64link.txt".
std::wstring LinkHandoffFile();

// Opens the link with the shell's default verb, shown. True when it opened.
bool OpenLink(const std::wstring& link);

}  // namespace qm
