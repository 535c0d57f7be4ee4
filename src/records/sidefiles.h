// The record's side files: the expansion file (".quilmartreesel", one line per
// top-level node) and the image side file (".dat", the item image list in the
// component-resource form).
#pragma once
#include <windows.h>
#include <objidl.h>  // before commctrl.h: declares the image-list stream calls
#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

#include "records/model.h"

namespace qm {

// "1" for a top-level node with children that is expanded, else "0"; at most 5000.
std::vector<std::wstring> ExpansionLines(const TDocTree& all);
bool WriteExpansionFile(const std::wstring& path, const TDocTree& all);

// Applies the lines to the top-level nodes: missing lines count as "0" at the
// front; a node with children expands on "1" and collapses otherwise; each item's
// expanded flag follows. Returns the nodes whose state was set (for the view).
void ApplyExpansionLines(std::vector<std::wstring> lines, TRecordModel& model);
// False when the file does not exist (nothing changes).
bool ReadExpansionFile(const std::wstring& path, TRecordModel& model);

// The image side file's bytes for an image list; nothing when the list cannot
// be written.
std::optional<std::string> BuildImageFile(HIMAGELIST list);
bool WriteImageFile(const std::wstring& path, HIMAGELIST list);
// A new image list of 16 by 16 images from the bytes, or nullptr when they
// cannot be parsed or hold images of another size.
HIMAGELIST ParseImageFile(const std::string& bytes);

}  // namespace qm
