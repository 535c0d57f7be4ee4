// Reference counting and QueryInterface for the test servers' objects, and the
// count of live objects that tells whether the DLL may be unloaded.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <oleauto.h>

#include <initializer_list>
#include <string>

namespace qm::testserver {

// Objects and locks that keep the DLL loaded.
LONG& ModuleReferences();

// An object implementing Base (one chain of interfaces) that answers IUnknown
// and the interfaces of that chain its Answers names.
template <class Base>
class TComObject : public Base {
public:
    TComObject() { ::InterlockedIncrement(&ModuleReferences()); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && !Answers(iid)) return E_NOINTERFACE;
        *out = static_cast<Base*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = ::InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

protected:
    virtual ~TComObject() { ::InterlockedDecrement(&ModuleReferences()); }
    virtual bool Answers(REFIID iid) const = 0;

    static bool OneOf(REFIID iid, std::initializer_list<IID> iids) {
        for (const IID& known : iids)
            if (iid == known) return true;
        return false;
    }

private:
    LONG refs_ = 1;
};

// Hands a new object (created with one reference) to an out pointer.
template <class Interface, class Object>
HRESULT Hand(Object* object, Interface** out) {
    if (!out) {
        object->Release();
        return E_POINTER;
    }
    *out = object;
    return S_OK;
}

// Asks a new object (created with one reference) for an interface; the
// object goes when it is not taken.
template <class Object>
HRESULT QueryNew(Object* object, REFIID iid, void** out) {
    HRESULT hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
}

// Hands a value to an out parameter.
template <class T, class V>
HRESULT Give(T* out, V value) {
    if (!out) return E_POINTER;
    *out = value;
    return S_OK;
}

// Hands a text to a BSTR out parameter.
inline HRESULT GiveText(BSTR* out, const std::wstring& text) {
    if (!out) return E_POINTER;
    *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace qm::testserver
