#include "replay/clipboard.h"

#include <shlobj.h>

#include <cstring>
#include <cwctype>

#include "base/files.h"
#include "base/listfile.h"
#include "base/pathtext.h"
#include "base/strings.h"
#include "base/unique_any.h"
#include "records/model.h"

namespace qm {

namespace {

constexpr size_t kMaxNames = kWalkLimit;

// The clipboard opened for the life of the object. Another program may hold it
// for a moment (a clipboard viewer reading it): opening is tried a few times.
class TOpenClipboard {
public:
    explicit TOpenClipboard(HWND owner) {
        for (int attempt = 0; attempt < 20 && !open_; ++attempt) {
            open_ = ::OpenClipboard(owner) != FALSE;
            if (!open_) ::Sleep(10);
        }
    }
    ~TOpenClipboard() {
        if (open_) ::CloseClipboard();
    }
    TOpenClipboard(const TOpenClipboard&) = delete;
    TOpenClipboard& operator=(const TOpenClipboard&) = delete;
    bool Ok() const { return open_; }

private:
    bool open_ = false;
};

// A movable global block holding the bytes; empty when it cannot be had.
unique_hglobal GlobalBlock(const void* bytes, size_t size) {
    unique_hglobal mem(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
    if (!mem) return mem;
    void* at = ::GlobalLock(mem.get());
    if (!at) return unique_hglobal();
    std::memcpy(at, bytes, size);
    ::GlobalUnlock(mem.get());
    return mem;
}

// Hands the block to the clipboard, which owns it from then on.
bool SetClipboardBlock(UINT format, unique_hglobal mem) {
    if (!mem || !::SetClipboardData(format, mem.get())) return false;
    mem.release();
    return true;
}

// The bytes of a clipboard format (empty when it is not there).
std::string ClipboardBytes(UINT format) {
    HANDLE data = ::GetClipboardData(format);
    if (!data) return {};
    size_t size = ::GlobalSize(data);
    const void* at = ::GlobalLock(data);
    if (!at) return {};
    std::string bytes(static_cast<const char*>(at), size);
    ::GlobalUnlock(data);
    return bytes;
}

// The text up to its first NUL (or the block's end).
std::wstring WideText(const std::string& bytes) {
    std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
    size_t end = text.find(L'\0');
    if (end != std::wstring::npos) text.resize(end);
    return text;
}

// A drive path ("C:\...") or a network path ("\\server\...").
bool IsPathEntry(const std::wstring& entry) {
    bool drive =
        entry.size() >= 3 && std::iswalpha(entry[0]) && entry[1] == L':' && (entry[2] == L'\\' || entry[2] == L'/');
    bool network = entry.size() > 2 && entry[0] == L'\\' && entry[1] == L'\\';
    return drive || network;
}

bool IsHttpAddress(const std::wstring& entry) {
    return StartsWithNoCase(entry, L"http://") || StartsWithNoCase(entry, L"https://");
}

}  // namespace

std::vector<std::wstring> DropFilesNames(const void* block, size_t size) {
    std::vector<std::wstring> names;
    if (!block || size < sizeof(DROPFILES)) return names;
    DROPFILES header{};
    std::memcpy(&header, block, sizeof(header));
    if (header.pFiles < sizeof(DROPFILES) || header.pFiles >= size) return names;
    const char* bytes = static_cast<const char*>(block);
    if (header.fWide) {
        size_t count = (size - header.pFiles) / sizeof(wchar_t);
        std::wstring all(count, L'\0');
        std::memcpy(all.data(), bytes + header.pFiles, count * sizeof(wchar_t));
        for (size_t at = 0; at < all.size() && names.size() < kMaxNames;) {
            size_t end = all.find(L'\0', at);
            if (end == std::wstring::npos || end == at) break;  // unended, or the list's end
            names.push_back(all.substr(at, end - at));
            at = end + 1;
        }
    } else {
        std::string all(bytes + header.pFiles, size - header.pFiles);
        for (size_t at = 0; at < all.size() && names.size() < kMaxNames;) {
            size_t end = all.find('\0', at);
            if (end == std::string::npos || end == at) break;
            names.push_back(AnsiToWide(all.substr(at, end - at)));
            at = end + 1;
        }
    }
    return names;
}

bool PutFilesOnClipboard(HWND owner, const std::vector<std::wstring>& paths) {
    // Only what is there: a program pasting a list with a vanished file in it
    // fails on the whole list.
    std::vector<std::wstring> existing;
    for (const std::wstring& p : paths)
        if (!Trim(p).empty() && PathExists(p)) existing.push_back(p);
    if (existing.empty()) return false;
    std::string block = DropFilesBlock(existing);
    unique_hglobal files = GlobalBlock(block.data(), block.size());
    DWORD copy = DROPEFFECT_COPY;
    unique_hglobal effect = GlobalBlock(&copy, sizeof(copy));
    if (!files) return false;
    TOpenClipboard clipboard(owner);
    if (!clipboard.Ok() || !::EmptyClipboard()) return false;
    if (!SetClipboardBlock(CF_HDROP, std::move(files))) return false;
    // Explorer pastes the files as copies, not moves.
    SetClipboardBlock(::RegisterClipboardFormatW(CFSTR_PREFERREDDROPEFFECT), std::move(effect));
    return true;
}

bool PutTextOnClipboard(HWND owner, const std::wstring& text) {
    std::wstring wide = text + L'\0';
    std::string ansi = WideToAnsi(text) + '\0';
    unique_hglobal unicode = GlobalBlock(wide.data(), wide.size() * sizeof(wchar_t));
    unique_hglobal narrow = GlobalBlock(ansi.data(), ansi.size());
    if (!unicode || !narrow) return false;
    TOpenClipboard clipboard(owner);
    if (!clipboard.Ok() || !::EmptyClipboard()) return false;
    bool ok = SetClipboardBlock(CF_UNICODETEXT, std::move(unicode));
    SetClipboardBlock(CF_TEXT, std::move(narrow));
    return ok;
}

TClipboardContents ReadClipboard(HWND owner) {
    TClipboardContents contents;
    TOpenClipboard clipboard(owner);
    if (!clipboard.Ok()) return contents;
    if (::IsClipboardFormatAvailable(CF_UNICODETEXT)) contents.text = WideText(ClipboardBytes(CF_UNICODETEXT));
    if (::IsClipboardFormatAvailable(CF_HDROP)) {
        std::string block = ClipboardBytes(CF_HDROP);
        contents.files = DropFilesNames(block.data(), block.size());
    }
    return contents;
}

std::wstring CleanPasteEntry(const std::wstring& entry) { return Trim(NormaliseLocation(Trim(entry))); }

std::vector<std::wstring> PasteEntries(const TClipboardContents& contents) {
    std::vector<std::wstring> entries;
    auto take = [&](const std::wstring& raw) {
        std::wstring entry = CleanPasteEntry(raw);
        if (IsHttpAddress(entry) || IsPathEntry(entry)) entries.push_back(entry);
    };
    for (const std::wstring& line : SplitLines(contents.text)) {
        if (entries.size() >= kMaxNames) break;
        take(line);
    }
    for (const std::wstring& file : contents.files) take(file);
    return entries;
}

std::vector<std::wstring> PasteFiles(const TClipboardContents& contents) {
    std::vector<std::wstring> files;
    for (const std::wstring& file : contents.files) {
        std::wstring cleaned = CleanPasteEntry(file);
        if (!cleaned.empty()) files.push_back(cleaned);
    }
    return files;
}

}  // namespace qm
