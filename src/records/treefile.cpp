#include "records/treefile.h"

#include <windows.h>
#include <objbase.h>
#include <shlwapi.h>
#include <wrl/client.h>
#include <xmllite.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "base/files.h"
#include "base/strings.h"

using Microsoft::WRL::ComPtr;

namespace qm {

namespace {

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void AppendInt(std::string& out, int v) { out += std::to_string(v); }

}  // namespace

void AppendAttributeValue(std::string& out, const std::wstring& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;  // a lone surrogate
        }
        switch (c) {
            case '&': out += "&amp;"; continue;
            case '<': out += "&lt;"; continue;
            case '>': out += "&gt;"; continue;
            case '"': out += "&quot;"; continue;
            case '\'': out += "&apos;"; continue;
            case '\t': out += "&#9;"; continue;
            case '\n': out += "&#10;"; continue;
            case '\r': out += "&#13;"; continue;
            default: break;
        }
        if (c < 0x20 || c == 0xFFFE || c == 0xFFFF) c = 0xFFFD;
        AppendUtf8(out, c);
    }
}

namespace {

// One element's attributes, in their written order.
void AppendAttributes(std::string& out, const TTreeNode& node, const TItemTable& items) {
    const std::wstring& path = items.IsValid(node.Index()) ? items.PathAt(node.Index()) : std::wstring();
    int docType = items.IsValid(node.Index()) ? items.At(node.Index()).docType : 0;
    out += " text=\"";
    AppendAttributeValue(out, node.Text());
    out += "\" path=\"";
    AppendAttributeValue(out, path);
    out += "\" imageIndex=\"";
    AppendInt(out, node.Image());
    out += "\" stateIndex=\"";
    AppendInt(out, node.StateIndex());
    out += "\" docType=\"";
    AppendInt(out, docType);
    out += "\" extand=\"";
    out += !node.HasChildren() ? "-1" : node.Expanded() ? "1" : "0";
    out += '"';
}

// Writes a subtree without recursion, so any depth is safe.
void AppendItem(std::string& out, const TTreeNode& top, const TItemTable& items) {
    struct Frame {
        const TTreeNode* node;
        int next;
    };
    std::vector<Frame> frames{{&top, 0}};
    out += "<item";
    AppendAttributes(out, top, items);
    out += top.HasChildren() ? ">" : "/>";
    while (!frames.empty()) {
        Frame& f = frames.back();
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

std::string BuildTreeXml(const TRecordModel& model, const std::wstring& appPath) {
    std::string out = "\xEF\xBB\xBF<quilmartree app=\"";
    out.reserve(static_cast<size_t>(model.all.TopCount()) * 256);
    AppendAttributeValue(out, appPath);
    out += "\">";
    int count = std::min(model.all.TopCount(), kWalkLimit);
    for (int i = 0; i < count; ++i) AppendItem(out, *model.all.Top(i), model.items);
    out += "</quilmartree>\r\n";
    return out;
}

bool WriteTreeFile(const std::wstring& path, const TRecordModel& model, const std::wstring& appPath) {
    return WriteFileReplacing(path, BuildTreeXml(model, appPath));
}

namespace {

using CreateXmlReaderFn = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

// XmlLite from the system folder, bound at run time.
CreateXmlReaderFn XmlReaderFactory() {
    static CreateXmlReaderFn fn = [] {
        wchar_t sys[MAX_PATH];
        UINT n = ::GetSystemDirectoryW(sys, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return CreateXmlReaderFn{};
        HMODULE dll = ::LoadLibraryW((std::wstring(sys) + L"\\xmllite.dll").c_str());
        return dll ? reinterpret_cast<CreateXmlReaderFn>(
                         reinterpret_cast<void*>(::GetProcAddress(dll, "CreateXmlReader")))
                   : CreateXmlReaderFn{};
    }();
    return fn;
}

struct ParsedItem {
    int depth = 0;  // 0 for a child of the root
    bool complete = false;
    std::wstring text, path;
    int imageIndex = 0, docType = 0;
};

bool ReadAttribute(IXmlReader* r, const wchar_t* name, std::wstring& value) {
    if (r->MoveToAttributeByName(name, nullptr) != S_OK) return false;
    const wchar_t* v = nullptr;
    UINT len = 0;
    if (FAILED(r->GetValue(&v, &len))) return false;
    value.assign(v, len);
    return true;
}

ParsedItem ReadItem(IXmlReader* r, int depth) {
    ParsedItem p;
    p.depth = depth;
    std::wstring image, extand, docType;
    bool ok = ReadAttribute(r, L"text", p.text) && ReadAttribute(r, L"path", p.path) &&
              ReadAttribute(r, L"imageIndex", image) && ReadAttribute(r, L"extand", extand) &&
              ReadAttribute(r, L"docType", docType);
    int unused = 0;
    p.complete = ok && TryParseInt(image, p.imageIndex) && TryParseInt(extand, unused) &&
                 TryParseInt(docType, p.docType);
    r->MoveToElement();
    return p;
}

// The document's text, checked before the XML reader sees it, or nothing
// when it holds what no XML document may (invalid UTF-8, NUL and other control
// characters, unpaired surrogates). Checking here keeps damaged files away from
// reader code paths that do not all fail gracefully. A leading XML declaration is
// dropped, since the text no longer has the encoding it may name.
std::optional<std::wstring> PrepareXmlText(const std::string& bytes) {
    std::wstring text;
    auto fromUtf16 = [&](size_t start, bool bigEndian) {
        text.reserve((bytes.size() - start) / 2);
        for (size_t i = start; i + 1 < bytes.size(); i += 2) {
            auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
            text.push_back(static_cast<wchar_t>(bigEndian ? (a << 8) | b : a | (b << 8)));
        }
        return bytes.size() % 2 == start % 2;
    };
    bool ok = true;
    if (bytes.rfind("\xFF\xFE", 0) == 0) {
        ok = fromUtf16(2, false);
    } else if (bytes.rfind("\xFE\xFF", 0) == 0) {
        ok = fromUtf16(2, true);
    } else if (bytes.size() >= 2 && bytes[0] == '<' && bytes[1] == '\0') {
        ok = fromUtf16(0, false);
    } else {
        size_t start = bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
        int n = bytes.size() > start ? ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data() + start,
                                                             static_cast<int>(bytes.size() - start), nullptr, 0)
                                     : 0;
        if (n <= 0) return std::nullopt;
        text.resize(static_cast<size_t>(n));
        ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data() + start, static_cast<int>(bytes.size() - start),
                              text.data(), n);
    }
    if (!ok) return std::nullopt;
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return std::nullopt;
            ++i;
            continue;
        }
        if ((c < 0x20 && c != L'\t' && c != L'\n' && c != L'\r') || (c >= 0xDC00 && c <= 0xDFFF) || c == 0xFFFE ||
            c == 0xFFFF)
            return std::nullopt;
    }
    if (text.rfind(L"<?xml", 0) == 0) {
        size_t end = text.find(L"?>");
        if (end == std::wstring::npos) return std::nullopt;
        text.erase(0, end + 2);
    }
    return text;
}

}  // namespace

TTreeLoad ReadTreeXml(const std::string& bytes, TRecordModel& model, const TPumpFn& pump) {
    CreateXmlReaderFn create = XmlReaderFactory();
    if (!create) return TTreeLoad::Unreadable;
    std::optional<std::wstring> text = PrepareXmlText(bytes);
    if (!text || text->empty()) return TTreeLoad::NotWellFormed;
    // Handed over as UTF-8: Wine's reader mishandles long UTF-16 input.
    std::string utf8 = "\xEF\xBB\xBF" + WideToUtf8(*text);
    ComPtr<IStream> stream;
    stream.Attach(::SHCreateMemStream(reinterpret_cast<const BYTE*>(utf8.data()), static_cast<UINT>(utf8.size())));
    ComPtr<IXmlReader> reader;
    if (!stream || FAILED(create(__uuidof(IXmlReader), reinterpret_cast<void**>(reader.GetAddressOf()), nullptr)))
        return TTreeLoad::Unreadable;
    reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit);
    reader->SetProperty(XmlReaderProperty_MaxElementDepth, kMaxTreeDepth + 2);
    if (FAILED(reader->SetInput(stream.Get()))) return TTreeLoad::Unreadable;

    // The whole document is read first: one that is not well-formed loads nothing.
    std::vector<ParsedItem> parsed;
    int depth = -1;  // -1: outside the root element
    int topCount = 0;
    bool tooDeep = false;
    XmlNodeType type;
    HRESULT hr;
    // Every node takes at least one character of the input; a reader that keeps
    // answering without moving on (seen with damaged input) is cut off here.
    size_t budget = text->size() + 64;
    bool sawRoot = false;
    while ((hr = reader->Read(&type)) == S_OK) {
        if (budget-- == 0) return TTreeLoad::NotWellFormed;
        if (type == XmlNodeType_Element) {
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
    if (FAILED(hr) || !sawRoot || depth != -1) return TTreeLoad::NotWellFormed;

    // Build the tree; stop at the first incomplete element, and at any element
    // whose parent was not taken.
    std::vector<TTreeNode*> parents;
    size_t built = 0;
    for (const ParsedItem& p : parsed) {
        if (!p.complete || p.depth > static_cast<int>(parents.size())) break;
        parents.resize(static_cast<size_t>(p.depth));
        TTreeNode* parent = parents.empty() ? nullptr : parents.back();
        int index = model.items.Append();
        TMyDoc& item = model.items.At(index);
        item.docType = p.docType;
        item.path = p.path;
        item.groupKey = p.path;
        item.title = p.text;
        item.imageIndex = p.imageIndex;
        model.NoteDocType(p.docType);
        parents.push_back(model.all.Add(parent, p.text, index, p.imageIndex));
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
