// The running copies of the product that an installation or removal must end:
// its programs started from the install folder (by the full path of their
// program file; copies elsewhere are left alone) and the help viewers that
// show its help.
#pragma once
#include <string>
#include <vector>

#include "base/processes.h"

namespace qm {

std::vector<TRunningProcess> RunningProductCopies(const std::wstring& installFolder);
// Their program files' paths, for the question to the user.
std::vector<std::wstring> RunningProductCopyNames(const std::wstring& installFolder);
// Asks them to close, waits, then ends those still running; true when none is left.
bool EndRunningProductCopies(const std::wstring& installFolder);

}  // namespace qm
