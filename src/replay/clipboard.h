// The clipboard as the item commands use it: files as the file list other
// programs paste (CF_HDROP with wide names), texts, and what a paste into a
// record takes from it. Whatever another program left there is untrusted:
// blocks are read within their size.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "base/dataobject.h"  // DropFilesBlock

namespace qm {

// The names of a DROPFILES block, wide or ANSI. Reading stops at the block's
// end: a name that is not ended within it is dropped.
std::vector<std::wstring> DropFilesNames(const void* block, size_t size);

// Puts the paths that exist on the clipboard as a file list; false when none
// exists or the clipboard refuses (then it is left as it was).
bool PutFilesOnClipboard(HWND owner, const std::vector<std::wstring>& paths);
// Puts the text on the clipboard (as Unicode text and as ANSI text).
bool PutTextOnClipboard(HWND owner, const std::wstring& text);

struct TClipboardContents {
    std::wstring text;                // the Unicode text, if any
    std::vector<std::wstring> files;  // the file list, if any
};
TClipboardContents ReadClipboard(HWND owner);

// A clipboard entry as a paste takes it: an "http:" or "https:" address
// unchanged, anything else reduced to the file it names (a quoted path or a
// command line gives its program).
std::wstring CleanPasteEntry(const std::wstring& entry);
// What a paste adds: every line of the text, then every file, each cleaned;
// only paths (a drive path or a network path) and http(s) addresses are taken.
std::vector<std::wstring> PasteEntries(const TClipboardContents& contents);
// The clipboard's files, cleaned, the empty ones dropped ("Paste" into a folder).
std::vector<std::wstring> PasteFiles(const TClipboardContents& contents);

}  // namespace qm
