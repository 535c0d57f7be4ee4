// The client interfaces of UI Automation, as far as the address-box reader
// calls them (the MinGW headers do not declare them). Methods the reader does
// not call are declared without parameters, only to keep the order of the
// tables. The declarations have external linkage on purpose: in an unnamed
// namespace the compiler may conclude that nothing implements them and turn
// every call into a call of a pure virtual function.
#pragma once
#include <windows.h>
#include <oaidl.h>

namespace qm::uia {

inline constexpr GUID kClsidCUIAutomation = {
    0xff48dba4, 0x60ef, 0x4201, {0xaa, 0x87, 0x54, 0x10, 0x3e, 0xef, 0x59, 0x4e}};
inline constexpr GUID kIidIUIAutomation = {
    0x30cbe57d, 0xd9d0, 0x452a, {0xab, 0x13, 0x7a, 0xc5, 0xac, 0x48, 0x25, 0xee}};
inline constexpr GUID kIidIUIAutomation2 = {
    0x34723aff, 0x0c9d, 0x49d0, {0x98, 0x96, 0x7a, 0xb5, 0x2d, 0xf8, 0xcd, 0x8a}};
inline constexpr GUID kIidIUIAutomationValuePattern = {
    0xa94cd8b1, 0x0844, 0x4cd6, {0x9d, 0x2d, 0x64, 0x05, 0x37, 0xab, 0x39, 0xe9}};

inline constexpr int kTreeScopeDescendants = 4;
inline constexpr int kValuePatternId = 10002;
inline constexpr int kControlTypePropertyId = 30003;
inline constexpr int kIsValuePatternAvailablePropertyId = 30043;
inline constexpr int kEditControlTypeId = 50004;

struct IUiaCondition : IUnknown {};

struct IUiaElement : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetFocus() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRuntimeId() = 0;
    virtual HRESULT STDMETHODCALLTYPE FindFirst(int scope, IUiaCondition* condition, IUiaElement** found) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindAll() = 0;
    virtual HRESULT STDMETHODCALLTYPE FindFirstBuildCache() = 0;
    virtual HRESULT STDMETHODCALLTYPE FindAllBuildCache() = 0;
    virtual HRESULT STDMETHODCALLTYPE BuildUpdatedCache() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentPropertyValue() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentPropertyValueEx() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCachedPropertyValue() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCachedPropertyValueEx() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentPatternAs(int patternId, REFIID riid, void** pattern) = 0;
};

struct IUiaValuePattern : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetValue() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CurrentValue(BSTR* value) = 0;
};

struct IUiaAutomation : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CompareElements() = 0;
    virtual HRESULT STDMETHODCALLTYPE CompareRuntimeIds() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRootElement() = 0;
    virtual HRESULT STDMETHODCALLTYPE ElementFromHandle(void* hwnd, IUiaElement** element) = 0;
    virtual HRESULT STDMETHODCALLTYPE ElementFromPoint() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFocusedElement() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRootElementBuildCache() = 0;
    virtual HRESULT STDMETHODCALLTYPE ElementFromHandleBuildCache() = 0;
    virtual HRESULT STDMETHODCALLTYPE ElementFromPointBuildCache() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFocusedElementBuildCache() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateTreeWalker() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ControlViewWalker() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ContentViewWalker() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_RawViewWalker() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_RawViewCondition() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ControlViewCondition() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ContentViewCondition() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateCacheRequest() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateTrueCondition() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateFalseCondition() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreatePropertyCondition(int propertyId, VARIANT value,
                                                              IUiaCondition** condition) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreatePropertyConditionEx() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateAndCondition(IUiaCondition* first, IUiaCondition* second,
                                                         IUiaCondition** condition) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateAndConditionFromArray() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateAndConditionFromNativeArray() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateOrCondition() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateOrConditionFromArray() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateOrConditionFromNativeArray() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateNotCondition() = 0;
    virtual HRESULT STDMETHODCALLTYPE AddAutomationEventHandler() = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveAutomationEventHandler() = 0;
    virtual HRESULT STDMETHODCALLTYPE AddPropertyChangedEventHandlerNativeArray() = 0;
    virtual HRESULT STDMETHODCALLTYPE AddPropertyChangedEventHandler() = 0;
    virtual HRESULT STDMETHODCALLTYPE RemovePropertyChangedEventHandler() = 0;
    virtual HRESULT STDMETHODCALLTYPE AddStructureChangedEventHandler() = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveStructureChangedEventHandler() = 0;
    virtual HRESULT STDMETHODCALLTYPE AddFocusChangedEventHandler() = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveFocusChangedEventHandler() = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveAllEventHandlers() = 0;
    virtual HRESULT STDMETHODCALLTYPE IntNativeArrayToSafeArray() = 0;
    virtual HRESULT STDMETHODCALLTYPE IntSafeArrayToNativeArray() = 0;
    virtual HRESULT STDMETHODCALLTYPE RectToVariant() = 0;
    virtual HRESULT STDMETHODCALLTYPE VariantToRect() = 0;
    virtual HRESULT STDMETHODCALLTYPE SafeArrayToRectNativeArray() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateProxyFactoryEntry() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ProxyFactoryMapping() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPropertyProgrammaticName() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPatternProgrammaticName() = 0;
    virtual HRESULT STDMETHODCALLTYPE PollForPotentialSupportedPatterns() = 0;
    virtual HRESULT STDMETHODCALLTYPE PollForPotentialSupportedProperties() = 0;
    virtual HRESULT STDMETHODCALLTYPE CheckNotSupported() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ReservedNotSupportedValue() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ReservedMixedAttributeValue() = 0;
    virtual HRESULT STDMETHODCALLTYPE ElementFromIAccessible() = 0;
    virtual HRESULT STDMETHODCALLTYPE ElementFromIAccessibleBuildCache() = 0;
};

struct IUiaAutomation2 : IUiaAutomation {
    virtual HRESULT STDMETHODCALLTYPE get_AutoSetFocus() = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AutoSetFocus() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ConnectionTimeout() = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ConnectionTimeout(DWORD timeoutMs) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_TransactionTimeout() = 0;
    virtual HRESULT STDMETHODCALLTYPE put_TransactionTimeout(DWORD timeoutMs) = 0;
};

}  // namespace qm::uia
