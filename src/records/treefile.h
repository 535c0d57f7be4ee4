// The record's tree file (".quilmar"): the All tree as XML. The root "quilmartree"
// carries "app"; each "item" carries "text", "path", "imageIndex", "stateIndex",
// "docType" and "extand" in that order, then any extra attributes of the item
// (records/itemextras.h), which readers of the six attributes pass over.
#pragma once
#include <string>
#include <vector>

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

// One element of a tree file as it was read, in document order.
struct TTreeFileItem {
    int depth = 0;          // 0 for a child of the root
    bool complete = false;  // it has all five attributes, the numbers readable
    std::wstring text, path;
    int imageIndex = 0, docType = 0;
    TItemExtras extras;  // what the extra attributes hold; damaged ones are left out
};

// The elements of a tree file (the first 5000 top-level ones with all their
// descendants down to the depth limit), without building anything; a document
// that is not well-formed gives none. Stopped: the depth limit cut it.
TTreeLoad ParseTreeXml(const std::string& bytes, std::vector<TTreeFileItem>& items);
// How many of the parsed elements a load takes: up to the first incomplete one
// or one whose parent was not taken.
size_t UsableTreeItems(const std::vector<TTreeFileItem>& items);

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
