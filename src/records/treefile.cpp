#include "records/treefile.h"

#include <windows.h>
#include <objbase.h>
#include <shlwapi.h>
#include <wrl/client.h>
#include <xmllite.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "base/files.h"
#include "base/strings.h"
#include "base/xmlreader.h"

using Microsoft::WRL::ComPtr;

namespace qm {

namespace {

void AppendInt(std::string& out, int v) { out += std::to_string(v); }

}  // namespace

namespace {

// What one UTF-16 unit at position i (with its pair) stands for in the file.
struct TXmlUnit {
    char32_t code;    // the character written (U+FFFD for what XML cannot hold)
    const char* ref;  // an entity or character reference instead, or null
    size_t width;     // UTF-16 units taken
};

TXmlUnit XmlUnitAt(const std::wstring& text, size_t i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
        return {0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00), nullptr, 2};
    switch (c) {
        case '&': return {c, "&amp;", 1};
        case '<': return {c, "&lt;", 1};
        case '>': return {c, "&gt;", 1};
        case '"': return {c, "&quot;", 1};
        case '\'': return {c, "&apos;", 1};
        case '\t': return {c, "&#9;", 1};
        case '\n': return {c, "&#10;", 1};
        case '\r': return {c, "&#13;", 1};
        default: break;
    }
    if (c < 0x20 || (c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF) c = 0xFFFD;
    return {c, nullptr, 1};
}

size_t Utf8Length(char32_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

}  // namespace

void AppendAttributeValue(std::string& out, const std::wstring& text) {
    // Most values are plain ASCII: copy those straight; from the first character
    // that needs more, measure the rest and write it in place.
    size_t at = out.size();
    out.resize(at + text.size());
    char* p = out.data() + at;
    size_t i = 0;
    for (; i < text.size(); ++i) {
        wchar_t w = text[i];
        if (w < 0x20 || w >= 0x7F || w == '&' || w == '<' || w == '>' || w == '"' || w == '\'') break;
        p[i] = static_cast<char>(w);
    }
    if (i == text.size()) return;
    size_t need = 0;
    for (size_t k = i; k < text.size();) {
        TXmlUnit u = XmlUnitAt(text, k);
        need += u.ref ? std::char_traits<char>::length(u.ref) : Utf8Length(u.code);
        k += u.width;
    }
    out.resize(at + i + need);
    p = out.data() + at + i;
    while (i < text.size()) {
        TXmlUnit u = XmlUnitAt(text, i);
        i += u.width;
        if (u.ref) {
            for (const char* r = u.ref; *r; ++r) *p++ = *r;
            continue;
        }
        char32_t c = u.code;
        if (c < 0x80) {
            *p++ = static_cast<char>(c);
        } else if (c < 0x800) {
            *p++ = static_cast<char>(0xC0 | (c >> 6));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *p++ = static_cast<char>(0xE0 | (c >> 12));
            *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            *p++ = static_cast<char>(0xF0 | (c >> 18));
            *p++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
}

namespace {

void AppendAttribute(std::string& out, const wchar_t* name, const std::wstring& value) {
    out += ' ';
    out += WideToUtf8(name);
    out += "=\"";
    AppendAttributeValue(out, value);
    out += '"';
}

// After the six described attributes, so a reader that knows only those finds
// them where it always did.
void AppendExtraAttributes(std::string& out, const TItemExtras& extras) {
    if (extras.place) {
        AppendAttribute(out, attrs::kPlacement, PlacementText(*extras.place));
        AppendAttribute(out, attrs::kMonitor, extras.place->monitor);
        AppendAttribute(out, attrs::kWorkArea, RectText(extras.place->workArea));
    }
    if (extras.tab) {
        AppendAttribute(out, attrs::kBrowser, extras.tab->browser);
        AppendAttribute(out, attrs::kBrowserWindow, std::to_wstring(extras.tab->window));
        AppendAttribute(out, attrs::kTabIndex, std::to_wstring(extras.tab->index));
    }
}

// One element's attributes, in their written order.
void AppendAttributes(std::string& out, const TTreeNode& node, const TItemTable& items) {
    bool known = items.IsValid(node.Index());
    int docType = known ? items.At(node.Index()).docType : 0;
    out += " text=\"";
    AppendAttributeValue(out, node.Text());
    out += "\" path=\"";
    if (known) AppendAttributeValue(out, items.PathAt(node.Index()));
    out += "\" imageIndex=\"";
    AppendInt(out, node.Image());
    out += "\" stateIndex=\"";
    AppendInt(out, node.StateIndex());
    out += "\" docType=\"";
    AppendInt(out, docType);
    out += "\" extand=\"";
    out += !node.HasChildren() ? "-1" : node.Expanded() ? "1" : "0";
    out += '"';
    if (known) AppendExtraAttributes(out, items.At(node.Index()).extras);
}

// Writes a subtree without recursion, so any depth is safe.
struct TWriteFrame {
    const TTreeNode* node;
    int next;
};

void AppendItem(std::string& out, const TTreeNode& top, const TItemTable& items, std::vector<TWriteFrame>& frames) {
    frames.assign(1, TWriteFrame{&top, 0});
    out += "<item";
    AppendAttributes(out, top, items);
    out += top.HasChildren() ? ">" : "/>";
    while (!frames.empty()) {
        TWriteFrame& f = frames.back();
        if (f.next >= f.node->ChildCount()) {
            if (f.node->HasChildren()) out += "</item>";
            frames.pop_back();
            continue;
        }
        const TTreeNode* child = f.node->Child(f.next++);
        out += "<item";
        AppendAttributes(out, *child, items);
        if (child->HasChildren()) {
            out += ">";
            frames.push_back({child, 0});
        } else {
            out += "/>";
        }
    }
}

}  // namespace

namespace {

// Builds the file in a small buffer that is handed to the sink whenever it fills,
// so even a large record never needs the whole text in memory.
template <class Sink>
bool WriteTreeXml(const TRecordModel& model, const std::wstring& appPath, Sink&& sink) {
    constexpr size_t kChunk = 64 * 1024;
    std::string out = "\xEF\xBB\xBF<quilmartree app=\"";
    out.reserve(kChunk + 4096);
    AppendAttributeValue(out, appPath);
    out += "\">";
    std::vector<TWriteFrame> frames;
    int count = std::min(model.all.TopCount(), kWalkLimit);
    for (int i = 0; i < count; ++i) {
        AppendItem(out, *model.all.Top(i), model.items, frames);
        if (out.size() >= kChunk) {
            if (!sink(out)) return false;
            out.clear();
        }
    }
    out += "</quilmartree>\r\n";
    return sink(out);
}

}  // namespace

std::string BuildTreeXml(const TRecordModel& model, const std::wstring& appPath) {
    std::string all;
    WriteTreeXml(model, appPath, [&all](const std::string& chunk) {
        all += chunk;
        return true;
    });
    return all;
}

bool WriteTreeFile(TReplacingFile& file, const TRecordModel& model, const std::wstring& appPath) {
    return file.IsOpen() &&
           WriteTreeXml(model, appPath, [&file](const std::string& chunk) { return file.Write(chunk); });
}

bool WriteTreeFile(const std::wstring& path, const TRecordModel& model, const std::wstring& appPath) {
    TReplacingFile file(path);
    return WriteTreeFile(file, model, appPath) && file.Commit(TDurability::Flush);
}

namespace {

// The attributes an item element may carry, in the order of their slots.
enum TItemAttr { AText, APath, AImage, AExtand, ADocType, APlacement, AMonitor, AWorkArea, ABrowser, AWindow, ATab };
constexpr std::array<std::wstring_view, 11> kItemAttrNames{
    L"text",           L"path",         L"imageIndex",    L"extand",       L"docType",
    attrs::kPlacement, attrs::kMonitor, attrs::kWorkArea, attrs::kBrowser, attrs::kBrowserWindow,
    attrs::kTabIndex};

// One pass over the element's attributes (a lookup by name would scan them once
// per name); the value of each known one is copied before the reader moves on.
// An attribute in a namespace is not one of them.
TTreeFileItem ReadItem(IXmlReader* r, int depth) {
    TTreeFileItem p;
    p.depth = depth;
    std::array<std::wstring, kItemAttrNames.size()> values;
    unsigned found = 0;
    for (HRESULT h = r->MoveToFirstAttribute(); h == S_OK; h = r->MoveToNextAttribute()) {
        const wchar_t *name = nullptr, *uri = nullptr, *value = nullptr;
        UINT nameLen = 0, uriLen = 0, valueLen = 0;
        if (FAILED(r->GetLocalName(&name, &nameLen)) || FAILED(r->GetNamespaceUri(&uri, &uriLen)) || uriLen != 0)
            continue;
        std::wstring_view local(name, nameLen);
        for (size_t k = 0; k < kItemAttrNames.size(); ++k) {
            if (local != kItemAttrNames[k]) continue;
            // A repeated attribute (not XML, but some readers let it through)
            // keeps its first value.
            if (!(found & (1u << k)) && SUCCEEDED(r->GetValue(&value, &valueLen))) {
                values[k].assign(value, valueLen);
                found |= 1u << k;
            }
            break;
        }
    }
    r->MoveToElement();
    auto has = [found](TItemAttr a) { return (found & (1u << a)) != 0; };
    constexpr unsigned kRequired = (1u << AText) | (1u << APath) | (1u << AImage) | (1u << AExtand) | (1u << ADocType);
    int unused = 0;
    p.complete = (found & kRequired) == kRequired && TryParseInt(values[AImage], p.imageIndex) &&
                 TryParseInt(values[AExtand], unused) && TryParseInt(values[ADocType], p.docType);
    p.text = std::move(values[AText]);
    p.path = std::move(values[APath]);
    // The extra attributes are optional: missing or damaged ones are left out.
    if (has(APlacement)) p.extras.place = ParsePlacement(values[APlacement], values[AMonitor], values[AWorkArea]);
    if (has(ABrowser) && has(AWindow) && has(ATab))
        p.extras.tab = ParseBrowserTab(values[ABrowser], values[AWindow], values[ATab]);
    return p;
}

// True when the bytes are UTF-8 that an XML document may hold: well-formed
// sequences, no surrogates, no U+FFFE/U+FFFF, no control characters but tab,
// CR and LF.
bool IsXmlSafeUtf8(std::string_view s) {
    size_t i = 0, n = s.size();
    while (i < n) {
        auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return false;
            ++i;
            continue;
        }
        int len = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? (c <= 0xEF ? 3 : 0) : c >= 0xC2 && c <= 0xDF ? 2 : 0;
        if (len == 0 || n - i < static_cast<size_t>(len)) return false;
        char32_t cp = c & (0xFF >> (len + 1));
        for (int k = 1; k < len; ++k) {
            auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) return false;
        if ((cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF) return false;
        i += static_cast<size_t>(len);
    }
    return true;
}

// The document as UTF-8 for the XML reader (Wine's reader mishandles long UTF-16
// input), or nothing when it holds what no XML document may. Checking here keeps
// damaged files away from reader code paths that do not all fail gracefully. A
// leading XML declaration is dropped when the text had to be converted, since it
// may name an encoding the text no longer has.
std::optional<std::string> PrepareXmlText(const std::string& bytes) {
    size_t bom = bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    bool utf16 = bytes.rfind("\xFF\xFE", 0) == 0 || bytes.rfind("\xFE\xFF", 0) == 0 ||
                 (bytes.size() >= 2 && bytes[0] == '<' && bytes[1] == '\0');
    if (!utf16) {
        std::string_view body(bytes.data() + bom, bytes.size() - bom);
        if (!IsXmlSafeUtf8(body)) return std::nullopt;
        return std::string(body);
    }
    bool bigEndian = bytes[0] == '\xFE';
    size_t start = bytes[0] == '<' ? 0 : 2;
    if ((bytes.size() - start) % 2) return std::nullopt;
    std::wstring text;
    text.reserve((bytes.size() - start) / 2);
    for (size_t i = start; i + 1 < bytes.size(); i += 2) {
        auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        text.push_back(static_cast<wchar_t>(bigEndian ? (a << 8) | b : a | (b << 8)));
    }
    if (text.rfind(L"<?xml", 0) == 0) {
        size_t end = text.find(L"?>");
        if (end == std::wstring::npos) return std::nullopt;
        text.erase(0, end + 2);
    }
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return std::nullopt;
            ++i;
        } else if ((c < 0x20 && c != L'\t' && c != L'\n' && c != L'\r') || (c >= 0xDC00 && c <= 0xDFFF) ||
                   c == 0xFFFE || c == 0xFFFF) {
            return std::nullopt;
        }
    }
    return WideToUtf8(text);
}

}  // namespace

TTreeLoad ParseTreeXml(const std::string& bytes, std::vector<TTreeFileItem>& parsed) {
    parsed.clear();
    std::optional<std::string> text = PrepareXmlText(bytes);
    if (!text || text->empty()) return TTreeLoad::NotWellFormed;
    const std::string& utf8 = *text;
    ComPtr<ISequentialStream> stream = XmlInputOf(utf8);
    ComPtr<IXmlReader> reader = NewXmlReader();
    if (!stream || !reader) return TTreeLoad::Unreadable;
    reader->SetProperty(XmlReaderProperty_MaxElementDepth, kMaxTreeDepth + 2);
    if (FAILED(reader->SetInput(stream.Get()))) return TTreeLoad::Unreadable;

    // The whole document is read first: one that is not well-formed loads nothing.
    int depth = -1;  // -1: outside the root element
    int topCount = 0;
    bool tooDeep = false;
    XmlNodeType type;
    HRESULT hr;
    // Every node takes at least one character of the input; a reader that keeps
    // answering without moving on (seen with damaged input) is cut off here.
    size_t budget = text->size() + 64;
    bool sawRoot = false;
    // Wine's reader, given a file cut short after a start tag, answers that
    // element again and again: an element where the last one was is damage.
    std::pair<UINT, UINT> lastElement{0, 0};
    while ((hr = reader->Read(&type)) == S_OK) {
        if (budget-- == 0) {
            parsed.clear();
            return TTreeLoad::NotWellFormed;
        }
        if (type == XmlNodeType_Element) {
            std::pair<UINT, UINT> at{0, 0};
            if (SUCCEEDED(reader->GetLineNumber(&at.first)) && SUCCEEDED(reader->GetLinePosition(&at.second)) &&
                sawRoot && at == lastElement) {
                parsed.clear();
                return TTreeLoad::NotWellFormed;
            }
            lastElement = at;
            bool empty = reader->IsEmptyElement() != FALSE;
            sawRoot = true;
            if (depth >= 0 && !tooDeep) {
                if (depth >= kMaxTreeDepth) {
                    tooDeep = true;
                } else if (depth > 0 || topCount < kWalkLimit) {
                    if (depth == 0) ++topCount;
                    parsed.push_back(ReadItem(reader.Get(), depth));
                } else {
                    tooDeep = true;  // the rest of the top level is beyond the limit
                }
            }
            if (!empty) ++depth;
        } else if (type == XmlNodeType_EndElement) {
            --depth;
        }
    }
    // A branch deeper than the reader goes stops the file there: what came
    // before is kept, so one deep branch does not cost the whole record.
    bool cutAtDepth = hr == static_cast<HRESULT>(SC_E_MAXELEMENTDEPTH) && tooDeep;
    if (!cutAtDepth && (FAILED(hr) || !sawRoot || depth != -1)) {
        parsed.clear();
        return TTreeLoad::NotWellFormed;
    }
    return tooDeep ? TTreeLoad::Stopped : TTreeLoad::Loaded;
}

size_t UsableTreeItems(const std::vector<TTreeFileItem>& parsed) {
    size_t depth = 0, n = 0;
    for (const TTreeFileItem& p : parsed) {
        if (!p.complete || static_cast<size_t>(p.depth) > depth) break;
        depth = static_cast<size_t>(p.depth) + 1;
        ++n;
    }
    return n;
}

TTreeLoad ReadTreeXml(const std::string& bytes, TRecordModel& model, const TPumpFn& pump) {
    std::vector<TTreeFileItem> parsed;
    TTreeLoad parse = ParseTreeXml(bytes, parsed);
    if (parse == TTreeLoad::NotWellFormed || parse == TTreeLoad::Unreadable) return parse;
    bool tooDeep = parse == TTreeLoad::Stopped;

    // Build the tree; stop at the first incomplete element, and at any element
    // whose parent was not taken.
    std::vector<TTreeNode*> parents;
    size_t built = 0;
    for (TTreeFileItem& p : parsed) {
        if (!p.complete || p.depth > static_cast<int>(parents.size())) break;
        parents.resize(static_cast<size_t>(p.depth));
        TTreeNode* parent = parents.empty() ? nullptr : parents.back();
        int index = model.items.Append();
        TMyDoc& item = model.items.At(index);
        item.docType = p.docType;
        item.groupKey = p.path;
        item.path = std::move(p.path);
        item.title = p.text;
        item.imageIndex = p.imageIndex;
        item.extras = std::move(p.extras);
        model.NoteDocType(p.docType);
        parents.push_back(model.all.Add(parent, std::move(p.text), index, p.imageIndex));
        if (pump) pump();
        ++built;
    }
    return built == parsed.size() && !tooDeep ? TTreeLoad::Loaded : TTreeLoad::Stopped;
}

TTreeLoad ReadTreeFile(const std::wstring& path, TRecordModel& model, const TPumpFn& pump) {
    auto bytes = ReadFileBytes(path);
    if (!bytes) return TTreeLoad::Unreadable;
    return ReadTreeXml(*bytes, model, pump);
}

}  // namespace qm
