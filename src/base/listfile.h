// The list file format: one entry a line, written as UTF-16LE with the byte-order
// mark FF FE and CR LF after every line. Readers take UTF-16LE, UTF-16BE and UTF-8
// with their marks, and otherwise the ANSI code page; lines end at CR, LF or CR LF.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/files.h"

namespace qm {

std::vector<std::wstring> DecodeListText(std::string_view bytes);
std::string EncodeListText(const std::vector<std::wstring>& lines);

// Nothing when the file cannot be read.
std::optional<std::vector<std::wstring>> ReadListFile(const std::wstring& path);
// Replaces the file as a whole; false (old file kept) when it cannot be written.
bool WriteListFile(const std::wstring& path, const std::vector<std::wstring>& lines,
                   TDurability durability = TDurability::Flush);

// Splits text into lines at CR, LF or CR LF. A final line without an end counts;
// the empty text after the last line end does not.
std::vector<std::wstring> SplitLines(std::wstring_view text);

// Decodes a text file's bytes by its byte-order mark (see above).
std::wstring DecodeText(std::string_view bytes);

}  // namespace qm
