#include "base/xmlreader.h"

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

}  // namespace qm
