#include "records/sidefiles.h"

#include <objbase.h>
#include <shlwapi.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstring>

#include "base/files.h"
#include "base/listfile.h"
#include "base/strings.h"

using Microsoft::WRL::ComPtr;

namespace qm {

std::vector<std::wstring> ExpansionLines(const TDocTree& all) {
    std::vector<std::wstring> lines;
    int count = std::min(all.TopCount(), kWalkLimit);
    lines.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const TTreeNode* n = all.Top(i);
        lines.emplace_back(n->HasChildren() && n->Expanded() ? L"1" : L"0");
    }
    return lines;
}

bool WriteExpansionFile(const std::wstring& path, const TDocTree& all) {
    return WriteListFile(path, ExpansionLines(all), TDurability::NoFlush);
}

void ApplyExpansionLines(std::vector<std::wstring> lines, TRecordModel& model) {
    size_t nodes = static_cast<size_t>(std::min(model.all.TopCount(), kWalkLimit));
    if (lines.size() < nodes) lines.insert(lines.begin(), nodes - lines.size(), L"0");
    for (size_t i = 0; i < nodes && i < lines.size(); ++i) {
        TTreeNode* n = model.all.Top(static_cast<int>(i));
        if (!n->HasChildren()) continue;
        int v = 0;
        bool expand = TryParseInt(lines[i], v) && v == 1;
        n->SetExpanded(expand);
        if (model.items.IsValid(n->Index())) model.items.At(n->Index()).expanded = expand;
    }
}

bool ReadExpansionFile(const std::wstring& path, TRecordModel& model) {
    auto lines = ReadListFile(path);
    if (!lines) return false;
    ApplyExpansionLines(std::move(*lines), model);
    return true;
}

namespace {

void PutU16(std::string& s, uint16_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>(v >> 8));
}
void PutU32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void PutShortString(std::string& s, const char* text) {
    s.push_back(static_cast<char>(std::strlen(text)));
    s += text;
}

bool CommonControlsV6() {
    HMODULE cc = ::GetModuleHandleW(L"comctl32.dll");
    if (!cc) return false;
    using DllGetVersionFn = HRESULT(CALLBACK*)(DLLVERSIONINFO*);
    auto get = reinterpret_cast<DllGetVersionFn>(reinterpret_cast<void*>(::GetProcAddress(cc, "DllGetVersion")));
    DLLVERSIONINFO info{};
    info.cbSize = sizeof(info);
    return get && SUCCEEDED(get(&info)) && info.dwMajorVersion >= 6;
}

// The common-controls stream of the list: the downlevel form where version 6 runs.
std::optional<std::string> ImageListStream(HIMAGELIST list) {
    ComPtr<IStream> stream;
    stream.Attach(::SHCreateMemStream(nullptr, 0));
    if (!stream) return std::nullopt;
    bool ok = false;
    if (CommonControlsV6()) {
        using WriteExFn = HRESULT(WINAPI*)(HIMAGELIST, DWORD, IStream*);
        auto writeEx = reinterpret_cast<WriteExFn>(
            reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"comctl32.dll"), "ImageList_WriteEx")));
        ok = writeEx && SUCCEEDED(writeEx(list, ILP_DOWNLEVEL, stream.Get()));
    }
    if (!ok) {
        stream.Attach(::SHCreateMemStream(nullptr, 0));
        ok = stream && ::ImageList_Write(list, stream.Get());
    }
    if (!ok) return std::nullopt;
    STATSTG st{};
    if (FAILED(stream->Stat(&st, STATFLAG_NONAME))) return std::nullopt;
    std::string data(static_cast<size_t>(st.cbSize.QuadPart), '\0');
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    if (!data.empty() && FAILED(stream->Read(data.data(), static_cast<ULONG>(data.size()), &read))) return std::nullopt;
    data.resize(read);
    return data;
}

}  // namespace

std::optional<std::string> BuildImageFile(HIMAGELIST list) {
    if (!list) return std::nullopt;
    auto il = ImageListStream(list);
    if (!il) return std::nullopt;
    std::string body = "TPF0";
    PutShortString(body, "TImageList");
    PutShortString(body, "ImageList1");
    PutShortString(body, "Height");
    body.push_back(2);
    body.push_back(16);
    PutShortString(body, "Width");
    body.push_back(2);
    body.push_back(16);
    PutShortString(body, "Bitmap");
    body.push_back(10);
    PutU32(body, static_cast<uint32_t>(il->size()));
    body += *il;
    body.push_back(0);  // end of the properties
    body.push_back(0);  // end of the (empty) child list

    std::string out;
    out.push_back(static_cast<char>(0xFF));
    PutU16(out, 10);
    out += "TIMAGELIST";
    out.push_back(0);
    PutU16(out, 0x1030);
    PutU32(out, static_cast<uint32_t>(body.size()));
    out += body;
    return out;
}

bool WriteImageFile(const std::wstring& path, HIMAGELIST list) {
    auto bytes = BuildImageFile(list);
    // The side files are replaced as safely as the tree file, but without waiting
    // for the disk: losing one only costs images or expansion states.
    return bytes && WriteFileReplacing(path, *bytes, TDurability::NoFlush);
}

namespace {

// A bounds-checked reader over the component stream.
class TReader {
public:
    explicit TReader(const std::string& s, size_t at = 0) : s_(s), at_(at) {}
    bool Byte(uint8_t& v) {
        if (at_ >= s_.size()) return false;
        v = static_cast<uint8_t>(s_[at_++]);
        return true;
    }
    bool Skip(size_t n) {
        if (s_.size() - at_ < n) return false;
        at_ += n;
        return true;
    }
    bool U32(uint32_t& v) {
        if (s_.size() - at_ < 4) return false;
        v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<uint8_t>(s_[at_ + i])) << (8 * i);
        at_ += 4;
        return true;
    }
    bool ShortString(std::string& out) {
        uint8_t n = 0;
        if (!Byte(n) || s_.size() - at_ < n) return false;
        out.assign(s_, at_, n);
        at_ += n;
        return true;
    }
    size_t At() const { return at_; }

private:
    const std::string& s_;
    size_t at_;
};

// The "Bitmap" property's bytes, found by walking the component stream.
std::optional<std::pair<size_t, size_t>> FindBitmapProperty(const std::string& bytes) {
    size_t tpf = bytes.find("TPF0");
    if (tpf == std::string::npos) return std::nullopt;
    TReader r(bytes, tpf + 4);
    std::string cls, name;
    if (!r.ShortString(cls) || !r.ShortString(name)) return std::nullopt;
    for (int guard = 0; guard < 64; ++guard) {
        std::string prop;
        if (!r.ShortString(prop) || prop.empty()) return std::nullopt;
        uint8_t type = 0;
        if (!r.Byte(type)) return std::nullopt;
        uint32_t len = 0;
        switch (type) {
            case 2:
                if (!r.Skip(1)) return std::nullopt;
                break;
            case 3:
                if (!r.Skip(2)) return std::nullopt;
                break;
            case 4:
                if (!r.Skip(4)) return std::nullopt;
                break;
            case 8:
            case 9: break;  // false, true
            case 10:
                if (!r.U32(len)) return std::nullopt;
                if (prop == "Bitmap") {
                    if (bytes.size() - r.At() < len) return std::nullopt;
                    return std::make_pair(r.At(), static_cast<size_t>(len));
                }
                if (!r.Skip(len)) return std::nullopt;
                break;
            default: return std::nullopt;
        }
    }
    return std::nullopt;
}

// The item images are 16 by 16: a list of another size comes from a damaged
// file and is refused, so the tree keeps the images it has.
HIMAGELIST ReadImageListStream(const char* data, size_t size) {
    ComPtr<IStream> stream;
    stream.Attach(::SHCreateMemStream(reinterpret_cast<const BYTE*>(data), static_cast<UINT>(size)));
    HIMAGELIST list = stream ? ::ImageList_Read(stream.Get()) : nullptr;
    int cx = 0, cy = 0;
    if (list && (!::ImageList_GetIconSize(list, &cx, &cy) || cx != 16 || cy != 16)) {
        ::ImageList_Destroy(list);
        return nullptr;
    }
    return list;
}

}  // namespace

HIMAGELIST ParseImageFile(const std::string& bytes) {
    if (auto bitmap = FindBitmapProperty(bytes)) {
        // The property data may carry a small prefix before the "IL" signature.
        std::string_view data(bytes.data() + bitmap->first, bitmap->second);
        size_t il = data.find("IL");
        if (il != std::string_view::npos && il < 16) return ReadImageListStream(data.data() + il, data.size() - il);
        return nullptr;
    }
    // A stream of another layout: take the first image-list signature.
    size_t il = bytes.find(std::string("IL\x01\x01", 4));
    if (il == std::string::npos) il = bytes.find(std::string("IL\x00\x01", 4));
    if (il == std::string::npos) return nullptr;
    return ReadImageListStream(bytes.data() + il, bytes.size() - il);
}

}  // namespace qm
