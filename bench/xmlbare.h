// The floor of reading a record file: every node of it read with XmlLite and
// nothing built from it.
#pragma once
#include <windows.h>
#include <shlwapi.h>
#include <wrl/client.h>
#include <xmllite.h>

#include <string>

#include "base/files.h"

namespace qm::bench {

inline void BareRead(const std::wstring& path) {
    using Fn = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);
    static Fn create = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(::GetProcAddress(::LoadLibraryW(L"xmllite.dll"), "CreateXmlReader")));
    auto bytes = ReadFileBytes(path);
    if (!bytes) return;
    Microsoft::WRL::ComPtr<IStream> stream;
    stream.Attach(::SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes->data()), static_cast<UINT>(bytes->size())));
    Microsoft::WRL::ComPtr<IXmlReader> r;
    create(__uuidof(IXmlReader), reinterpret_cast<void**>(r.GetAddressOf()), nullptr);
    r->SetInput(stream.Get());
    XmlNodeType t;
    while (r->Read(&t) == S_OK) {
        if (t == XmlNodeType_Element) {
            const wchar_t* v;
            UINT n;
            for (HRESULT h = r->MoveToFirstAttribute(); h == S_OK; h = r->MoveToNextAttribute()) r->GetValue(&v, &n);
        }
    }
}

}  // namespace qm::bench
