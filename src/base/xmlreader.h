// XmlLite's reader, loaded from the system folder at run time (MinGW has no
// import library for it), set up for untrusted input: no document type
// definitions are processed.
#pragma once
#include <windows.h>
#include <objidl.h>
#include <xmllite.h>
#include <wrl/client.h>

namespace qm {

// A new reader, or null when XmlLite cannot be loaded.
Microsoft::WRL::ComPtr<IXmlReader> NewXmlReader();

}  // namespace qm
