#include "base/xmlreader.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

namespace qm {

namespace {

using CreateXmlReaderFn = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

CreateXmlReaderFn XmlReaderFactory() {
    static CreateXmlReaderFn fn = [] {
        wchar_t sys[MAX_PATH];
        UINT n = ::GetSystemDirectoryW(sys, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return CreateXmlReaderFn{};
        // Kept loaded for the life of the process, as the readers it makes are.
        HMODULE dll = ::LoadLibraryW((std::wstring(sys) + L"\\xmllite.dll").c_str());
        return dll ? reinterpret_cast<CreateXmlReaderFn>(
                         reinterpret_cast<void*>(::GetProcAddress(dll, "CreateXmlReader")))
                   : CreateXmlReaderFn{};
    }();
    return fn;
}

}  // namespace

Microsoft::WRL::ComPtr<IXmlReader> NewXmlReader() {
    Microsoft::WRL::ComPtr<IXmlReader> reader;
    CreateXmlReaderFn create = XmlReaderFactory();
    if (!create || FAILED(create(__uuidof(IXmlReader), reinterpret_cast<void**>(reader.GetAddressOf()), nullptr)))
        return nullptr;
    reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit);
    return reader;
}

size_t AsciiEndedReadLength(std::string_view rest, size_t wanted) {
    size_t n = std::min(wanted, rest.size());
    if (n == rest.size() || n == 0) return n;
    auto ascii = [](char c) { return static_cast<unsigned char>(c) < 0x80; };
    for (size_t k = n; k > 0; --k)
        if (ascii(rest[k - 1])) return k;
    // No ASCII byte at all: end before the last character that starts in it.
    for (size_t k = n; k > 0; --k)
        if ((static_cast<unsigned char>(rest[k]) & 0xC0) != 0x80) return k;
    return n;
}

namespace {

bool UnderWine() {
    static const bool wine = [] {
        HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
    }();
    return wine;
}

// A read-only stream over text the caller keeps.
class TTextStream final : public ISequentialStream {
public:
    TTextStream(std::string_view text, bool asciiEnded) : text_(text), asciiEnded_(asciiEnded) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(ISequentialStream)) {
            *out = static_cast<ISequentialStream*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE Read(void* into, ULONG wanted, ULONG* read) override {
        std::string_view rest = text_.substr(at_);
        size_t n = asciiEnded_ ? AsciiEndedReadLength(rest, wanted) : std::min<size_t>(wanted, rest.size());
        if (n) std::memcpy(into, rest.data(), n);
        at_ += n;
        if (read) *read = static_cast<ULONG>(n);
        // Short only at the end of the text, where the reader is told so.
        return n == wanted || at_ < text_.size() ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }

private:
    std::string_view text_;
    size_t at_ = 0;
    bool asciiEnded_;
    std::atomic<ULONG> refs_{1};
};

}  // namespace

Microsoft::WRL::ComPtr<ISequentialStream> XmlInputOf(std::string_view utf8) {
    Microsoft::WRL::ComPtr<ISequentialStream> stream;
    stream.Attach(new TTextStream(utf8, UnderWine()));
    return stream;
}

}  // namespace qm
