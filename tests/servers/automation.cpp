// UI Automation of the test prefix: elements for real windows of any process,
// found through their window structure. An "Edit" control is an edit element
// with a value pattern whose value is the control's text; every other window
// is a pane named by its text. Conditions on the control type, the value
// pattern's availability, the name and the class name, and "and" conditions of
// them, are evaluated through their own public interfaces.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "servers/classes.h"
#include "servers/comobject.h"
#include "servers/failing_uia.h"

namespace qm::testserver {
namespace {

// UI Automation's error for an element whose window is gone (uiautomationcoreapi.h).
constexpr HRESULT kElementNotAvailable = static_cast<HRESULT>(0x80040201);

DWORD g_connectionTimeout = 0;
DWORD g_transactionTimeout = 0;

constexpr UINT kTextTimeoutMs = 1000;

std::wstring ClassOf(HWND w) {
    wchar_t name[256] = {};
    int n = ::GetClassNameW(w, name, 256);
    return std::wstring(name, n > 0 ? static_cast<size_t>(n) : 0);
}

bool IsEdit(HWND w) { return _wcsicmp(ClassOf(w).c_str(), L"Edit") == 0; }

std::wstring TextOf(HWND w) {
    wchar_t buffer[4096] = {};
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(w, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, kTextTimeoutMs,
                               &copied))
        return {};
    buffer[4095] = 0;
    return buffer;
}

// The type a property's value has; VT_EMPTY for a property the server does not know.
VARTYPE PropertyType(PROPERTYID id) {
    switch (id) {
        case UIA_ControlTypePropertyId: return VT_I4;
        case UIA_IsValuePatternAvailablePropertyId: return VT_BOOL;
        case UIA_NamePropertyId:
        case UIA_ClassNamePropertyId: return VT_BSTR;
        default: return VT_EMPTY;
    }
}

// The property of a window; VT_EMPTY when the server does not know it.
void PropertyOf(HWND w, PROPERTYID id, VARIANT& value) {
    ::VariantInit(&value);
    switch (id) {
        case UIA_ControlTypePropertyId:
            value.vt = VT_I4;
            value.lVal = IsEdit(w) ? UIA_EditControlTypeId : UIA_PaneControlTypeId;
            break;
        case UIA_IsValuePatternAvailablePropertyId:
            value.vt = VT_BOOL;
            value.boolVal = IsEdit(w) ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        case UIA_NamePropertyId:
            value.vt = VT_BSTR;
            GiveText(&value.bstrVal, IsEdit(w) ? std::wstring() : TextOf(w));
            break;
        case UIA_ClassNamePropertyId:
            value.vt = VT_BSTR;
            GiveText(&value.bstrVal, ClassOf(w));
            break;
        default: break;
    }
}

bool Matches(IUIAutomationCondition* condition, HWND w);

bool MatchesProperty(IUIAutomationPropertyCondition* condition, HWND w) {
    PROPERTYID id = 0;
    VARIANT wanted, actual;
    ::VariantInit(&wanted);
    if (FAILED(condition->get_PropertyId(&id)) || FAILED(condition->get_PropertyValue(&wanted))) return false;
    PropertyOf(w, id, actual);
    bool same = actual.vt != VT_EMPTY && ::VarCmp(&actual, &wanted, LOCALE_USER_DEFAULT, 0) == VARCMP_EQ;
    ::VariantClear(&wanted);
    ::VariantClear(&actual);
    return same;
}

bool MatchesAll(IUIAutomationAndCondition* condition, HWND w) {
    IUIAutomationCondition** children = nullptr;
    int count = 0;
    if (FAILED(condition->GetChildrenAsNativeArray(&children, &count)) || !children) return false;
    bool all = count > 0;
    for (int i = 0; i < count; ++i) {
        if (all && !Matches(children[i], w)) all = false;
        children[i]->Release();
    }
    ::CoTaskMemFree(children);
    return all;
}

bool Matches(IUIAutomationCondition* condition, HWND w) {
    if (!condition) return false;
    IUIAutomationPropertyCondition* property = nullptr;
    if (SUCCEEDED(
            condition->QueryInterface(__uuidof(IUIAutomationPropertyCondition), reinterpret_cast<void**>(&property)))) {
        bool m = MatchesProperty(property, w);
        property->Release();
        return m;
    }
    IUIAutomationAndCondition* both = nullptr;
    if (SUCCEEDED(condition->QueryInterface(__uuidof(IUIAutomationAndCondition), reinterpret_cast<void**>(&both)))) {
        bool m = MatchesAll(both, w);
        both->Release();
        return m;
    }
    return false;
}

class TPropertyCondition : public TComObject<TFailingPropertyCondition> {
public:
    TPropertyCondition(PROPERTYID id, const VARIANT& value) : id_(id) {
        ::VariantInit(&value_);
        ::VariantCopy(&value_, const_cast<VARIANT*>(&value));
    }
    HRESULT STDMETHODCALLTYPE get_PropertyId(PROPERTYID* id) override { return Give(id, id_); }
    HRESULT STDMETHODCALLTYPE get_PropertyValue(VARIANT* value) override {
        if (!value) return E_POINTER;
        ::VariantInit(value);
        return ::VariantCopy(value, &value_);
    }
    HRESULT STDMETHODCALLTYPE get_PropertyConditionFlags(enum PropertyConditionFlags* flags) override {
        return Give(flags, PropertyConditionFlags_None);
    }

private:
    ~TPropertyCondition() override { ::VariantClear(&value_); }
    bool Answers(REFIID iid) const override {
        return OneOf(iid, {__uuidof(IUIAutomationCondition), __uuidof(IUIAutomationPropertyCondition)});
    }

    PROPERTYID id_;
    VARIANT value_;
};

class TAndCondition : public TComObject<TFailingAndCondition> {
public:
    TAndCondition(IUIAutomationCondition* first, IUIAutomationCondition* second) : children_{first, second} {
        for (IUIAutomationCondition* c : children_) c->AddRef();
    }
    HRESULT STDMETHODCALLTYPE get_ChildCount(int* count) override {
        return Give(count, static_cast<int>(children_.size()));
    }
    HRESULT STDMETHODCALLTYPE GetChildrenAsNativeArray(IUIAutomationCondition*** children, int* count) override {
        if (!children || !count) return E_POINTER;
        auto* array =
            static_cast<IUIAutomationCondition**>(::CoTaskMemAlloc(sizeof(IUIAutomationCondition*) * children_.size()));
        if (!array) return E_OUTOFMEMORY;
        for (size_t i = 0; i < children_.size(); ++i) {
            array[i] = children_[i];
            array[i]->AddRef();
        }
        *children = array;
        *count = static_cast<int>(children_.size());
        return S_OK;
    }

private:
    ~TAndCondition() override {
        for (IUIAutomationCondition* c : children_) c->Release();
    }
    bool Answers(REFIID iid) const override {
        return OneOf(iid, {__uuidof(IUIAutomationCondition), __uuidof(IUIAutomationAndCondition)});
    }

    std::vector<IUIAutomationCondition*> children_;
};

class TValuePattern : public TComObject<TFailingValuePattern> {
public:
    explicit TValuePattern(HWND w) : window_(w) {}
    HRESULT STDMETHODCALLTYPE get_CurrentValue(BSTR* value) override {
        if (!::IsWindow(window_)) return kElementNotAvailable;
        return GiveText(value, TextOf(window_));
    }
    HRESULT STDMETHODCALLTYPE get_CurrentIsReadOnly(BOOL* readOnly) override {
        return Give(readOnly, static_cast<BOOL>((::GetWindowLongPtrW(window_, GWL_STYLE) & ES_READONLY) != 0));
    }

private:
    bool Answers(REFIID iid) const override { return iid == __uuidof(IUIAutomationValuePattern); }

    HWND window_;
};

BOOL CALLBACK CollectWindow(HWND w, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
    return TRUE;
}

class TElement : public TComObject<TFailingElement> {
public:
    explicit TElement(HWND w) : window_(w) {}

    HRESULT STDMETHODCALLTYPE FindFirst(enum TreeScope scope, IUIAutomationCondition* condition,
                                        IUIAutomationElement** found) override {
        if (!found) return E_POINTER;
        *found = nullptr;
        if (!condition) return E_INVALIDARG;
        if (!::IsWindow(window_)) return kElementNotAvailable;
        for (HWND w : InScope(scope))
            if (Matches(condition, w)) return Hand(static_cast<IUIAutomationElement*>(new TElement(w)), found);
        return S_OK;  // nothing found is no failure
    }
    HRESULT STDMETHODCALLTYPE GetCurrentPropertyValue(PROPERTYID id, VARIANT* value) override {
        if (!value) return E_POINTER;
        PropertyOf(window_, id, *value);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCurrentPatternAs(PATTERNID pattern, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (pattern != UIA_ValuePatternId || !IsEdit(window_)) return S_OK;  // not supported: no pattern
        return QueryNew(new TValuePattern(window_), iid, out);
    }
    HRESULT STDMETHODCALLTYPE get_CurrentControlType(CONTROLTYPEID* type) override {
        return Give(type, IsEdit(window_) ? UIA_EditControlTypeId : UIA_PaneControlTypeId);
    }
    HRESULT STDMETHODCALLTYPE get_CurrentName(BSTR* name) override {
        return GiveText(name, IsEdit(window_) ? std::wstring() : TextOf(window_));
    }
    HRESULT STDMETHODCALLTYPE get_CurrentClassName(BSTR* name) override { return GiveText(name, ClassOf(window_)); }
    HRESULT STDMETHODCALLTYPE get_CurrentNativeWindowHandle(UIA_HWND* handle) override {
        return Give(handle, static_cast<UIA_HWND>(window_));
    }

private:
    bool Answers(REFIID iid) const override { return iid == __uuidof(IUIAutomationElement); }

    // The element itself, its children or all its descendants (each followed
    // by its own), as the scope asks.
    std::vector<HWND> InScope(enum TreeScope scope) const {
        std::vector<HWND> windows;
        if (scope & TreeScope_Element) windows.push_back(window_);
        if (scope & TreeScope_Descendants) {
            ::EnumChildWindows(window_, CollectWindow, reinterpret_cast<LPARAM>(&windows));
        } else if (scope & TreeScope_Children) {
            for (HWND c = ::GetWindow(window_, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) windows.push_back(c);
        }
        return windows;
    }

    HWND window_;
};

class TAutomation : public TComObject<TFailingAutomation> {
public:
    HRESULT STDMETHODCALLTYPE ElementFromHandle(UIA_HWND handle, IUIAutomationElement** element) override {
        if (!element) return E_POINTER;
        *element = nullptr;
        HWND w = static_cast<HWND>(handle);
        if (!::IsWindow(w)) return E_INVALIDARG;
        return Hand(static_cast<IUIAutomationElement*>(new TElement(w)), element);
    }
    HRESULT STDMETHODCALLTYPE CreatePropertyCondition(PROPERTYID id, VARIANT value,
                                                      IUIAutomationCondition** condition) override {
        if (!condition) return E_POINTER;
        *condition = nullptr;
        // As UI Automation does, a value of another type than the property's is refused.
        VARTYPE type = PropertyType(id);
        if (type == VT_EMPTY || value.vt != type) return E_INVALIDARG;
        return Hand(static_cast<IUIAutomationCondition*>(new TPropertyCondition(id, value)), condition);
    }
    HRESULT STDMETHODCALLTYPE CreateAndCondition(IUIAutomationCondition* first, IUIAutomationCondition* second,
                                                 IUIAutomationCondition** condition) override {
        if (!condition) return E_POINTER;
        *condition = nullptr;
        if (!first || !second) return E_POINTER;
        return Hand(static_cast<IUIAutomationCondition*>(new TAndCondition(first, second)), condition);
    }
    HRESULT STDMETHODCALLTYPE get_ConnectionTimeout(DWORD* ms) override { return Give(ms, g_connectionTimeout); }
    HRESULT STDMETHODCALLTYPE put_ConnectionTimeout(DWORD ms) override {
        g_connectionTimeout = ms;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_TransactionTimeout(DWORD* ms) override { return Give(ms, g_transactionTimeout); }
    HRESULT STDMETHODCALLTYPE put_TransactionTimeout(DWORD ms) override {
        g_transactionTimeout = ms;
        return S_OK;
    }

private:
    bool Answers(REFIID iid) const override { return OneOf(iid, {__uuidof(IUIAutomation), __uuidof(IUIAutomation2)}); }
};

}  // namespace

HRESULT CreateAutomation(REFIID iid, void** out) {
    g_connectionTimeout = g_transactionTimeout = 0;
    return QueryNew(new TAutomation(), iid, out);
}

void LastUiaTimeouts(DWORD& connectionMs, DWORD& transactionMs) {
    connectionMs = g_connectionTimeout;
    transactionMs = g_transactionTimeout;
}

}  // namespace qm::testserver
