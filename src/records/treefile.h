// The record's tree file (".quilmar"): the All tree as XML. The root "quilmartree"
// carries "app"; each "item" carries "text", "path", "imageIndex", "stateIndex",
// "docType" and "extand" in that order.
#pragma once
#include <string>

#include "base/files.h"
#include "records/model.h"

namespace qm {

// Deeper nesting than any capture makes; a file that goes deeper stops loading
// there, keeping what came before.
constexpr int kMaxTreeDepth = 256;

// The XML text (UTF-8 with a byte-order mark, no declaration) of the All tree:
// the first 5000 top-level nodes, their children without a limit.
std::string BuildTreeXml(const TRecordModel& model, const std::wstring& appPath);

// Writes the tree file safely (temporary file, then moved over the old one).
bool WriteTreeFile(const std::wstring& path, const TRecordModel& model, const std::wstring& appPath);
// Streams the tree file into a replacing file (which the caller commits).
bool WriteTreeFile(TReplacingFile& file, const TRecordModel& model, const std::wstring& appPath);

enum class TTreeLoad { Loaded, Stopped, NotWellFormed, Unreadable };

// Reads a tree file into the All tree and the item table (which the caller has
// emptied). Elements are taken whatever their tag. Reading stops at the first
// element that lacks a required attribute, keeping what came before; a file that
// is not well-formed loads nothing. pump runs now and then.
TTreeLoad ReadTreeFile(const std::wstring& path, TRecordModel& model, const TPumpFn& pump = {});
TTreeLoad ReadTreeXml(const std::string& bytes, TRecordModel& model, const TPumpFn& pump = {});

// Escapes text for an XML attribute value in double quotes. Characters that XML
// cannot hold (control characters, lone surrogates, U+FFFE, U+FFFF) become
// U+FFFD; tab, CR and LF are written as references so they come back unchanged.
void AppendAttributeValue(std::string& out, const std::wstring& text);

}  // namespace qm
