// Failing implementations of every method of the UI Automation client
// interfaces the test server answers, declared from Wine's IDL-generated
// uiautomationclient.h. The server's classes derive from these and override
// the methods they answer; every other call fails with E_NOTIMPL, so a client
// that calls a wrong slot gets a failure instead of an answer.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <uiautomationclient.h>

namespace qm::testserver {

// clang-format off
// Every method of IUIAutomation2 and the interfaces it derives from, failing.
class TFailingAutomation : public IUIAutomation2 {
public:
    // IUIAutomation
    HRESULT STDMETHODCALLTYPE CompareElements(IUIAutomationElement*, IUIAutomationElement*, BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CompareRuntimeIds(SAFEARRAY*, SAFEARRAY*, BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetRootElement(IUIAutomationElement**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ElementFromHandle(UIA_HWND, IUIAutomationElement**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ElementFromPoint(POINT, IUIAutomationElement**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFocusedElement(IUIAutomationElement**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetRootElementBuildCache(IUIAutomationCacheRequest*, IUIAutomationElement**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ElementFromHandleBuildCache(UIA_HWND, IUIAutomationCacheRequest*, IUIAutomationElement**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ElementFromPointBuildCache(POINT, IUIAutomationCacheRequest*, IUIAutomationElement**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFocusedElementBuildCache(IUIAutomationCacheRequest*, IUIAutomationElement**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateTreeWalker(IUIAutomationCondition*, IUIAutomationTreeWalker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ControlViewWalker(IUIAutomationTreeWalker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ContentViewWalker(IUIAutomationTreeWalker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_RawViewWalker(IUIAutomationTreeWalker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_RawViewCondition(IUIAutomationCondition**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ControlViewCondition(IUIAutomationCondition**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ContentViewCondition(IUIAutomationCondition**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateCacheRequest(IUIAutomationCacheRequest**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateTrueCondition(IUIAutomationCondition**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateFalseCondition(IUIAutomationCondition**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreatePropertyCondition(PROPERTYID, VARIANT, IUIAutomationCondition**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreatePropertyConditionEx(PROPERTYID, VARIANT, enum PropertyConditionFlags, IUIAutomationCondition**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateAndCondition(IUIAutomationCondition*, IUIAutomationCondition*, IUIAutomationCondition**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateAndConditionFromArray(SAFEARRAY*, IUIAutomationCondition**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateAndConditionFromNativeArray(IUIAutomationCondition**, int, IUIAutomationCondition**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateOrCondition(IUIAutomationCondition*, IUIAutomationCondition*, IUIAutomationCondition**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateOrConditionFromArray(SAFEARRAY*, IUIAutomationCondition**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateOrConditionFromNativeArray(IUIAutomationCondition**, int, IUIAutomationCondition**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateNotCondition(IUIAutomationCondition*, IUIAutomationCondition**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddAutomationEventHandler(EVENTID, IUIAutomationElement*, enum TreeScope, IUIAutomationCacheRequest*, IUIAutomationEventHandler*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveAutomationEventHandler(EVENTID, IUIAutomationElement*, IUIAutomationEventHandler*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddPropertyChangedEventHandlerNativeArray(IUIAutomationElement*, enum TreeScope, IUIAutomationCacheRequest*, IUIAutomationPropertyChangedEventHandler*, PROPERTYID*, int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddPropertyChangedEventHandler(IUIAutomationElement*, enum TreeScope, IUIAutomationCacheRequest*, IUIAutomationPropertyChangedEventHandler*, SAFEARRAY*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemovePropertyChangedEventHandler(IUIAutomationElement*, IUIAutomationPropertyChangedEventHandler*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddStructureChangedEventHandler(IUIAutomationElement*, enum TreeScope, IUIAutomationCacheRequest*, IUIAutomationStructureChangedEventHandler*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveStructureChangedEventHandler(IUIAutomationElement*, IUIAutomationStructureChangedEventHandler*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddFocusChangedEventHandler(IUIAutomationCacheRequest*, IUIAutomationFocusChangedEventHandler*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveFocusChangedEventHandler(IUIAutomationFocusChangedEventHandler*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveAllEventHandlers() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IntNativeArrayToSafeArray(int*, int, SAFEARRAY**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IntSafeArrayToNativeArray(SAFEARRAY*, int**, int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RectToVariant(RECT, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE VariantToRect(VARIANT, RECT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SafeArrayToRectNativeArray(SAFEARRAY*, RECT**, int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateProxyFactoryEntry(IUIAutomationProxyFactory*, IUIAutomationProxyFactoryEntry**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ProxyFactoryMapping(IUIAutomationProxyFactoryMapping**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPropertyProgrammaticName(PROPERTYID, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPatternProgrammaticName(PATTERNID, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PollForPotentialSupportedPatterns(IUIAutomationElement*, SAFEARRAY**, SAFEARRAY**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PollForPotentialSupportedProperties(IUIAutomationElement*, SAFEARRAY**, SAFEARRAY**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CheckNotSupported(VARIANT, BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ReservedNotSupportedValue(IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ReservedMixedAttributeValue(IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ElementFromIAccessible(IAccessible*, int, IUIAutomationElement**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ElementFromIAccessibleBuildCache(IAccessible*, int, IUIAutomationCacheRequest*, IUIAutomationElement**) override { return E_NOTIMPL; }
    // IUIAutomation2
    HRESULT STDMETHODCALLTYPE get_AutoSetFocus(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_AutoSetFocus(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ConnectionTimeout(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ConnectionTimeout(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_TransactionTimeout(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_TransactionTimeout(DWORD) override { return E_NOTIMPL; }
};

// Every method of IUIAutomationElement and the interfaces it derives from, failing.
class TFailingElement : public IUIAutomationElement {
public:
    // IUIAutomationElement
    HRESULT STDMETHODCALLTYPE SetFocus() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetRuntimeId(SAFEARRAY**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindFirst(enum TreeScope, IUIAutomationCondition*, IUIAutomationElement**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindAll(enum TreeScope, IUIAutomationCondition*, IUIAutomationElementArray**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindFirstBuildCache(enum TreeScope, IUIAutomationCondition*, IUIAutomationCacheRequest*, IUIAutomationElement**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindAllBuildCache(enum TreeScope, IUIAutomationCondition*, IUIAutomationCacheRequest*, IUIAutomationElementArray**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BuildUpdatedCache(IUIAutomationCacheRequest*, IUIAutomationElement**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCurrentPropertyValue(PROPERTYID, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCurrentPropertyValueEx(PROPERTYID, BOOL, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCachedPropertyValue(PROPERTYID, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCachedPropertyValueEx(PROPERTYID, BOOL, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCurrentPatternAs(PATTERNID, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCachedPatternAs(PATTERNID, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCurrentPattern(PATTERNID, IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCachedPattern(PATTERNID, IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCachedParent(IUIAutomationElement**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCachedChildren(IUIAutomationElementArray**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentProcessId(int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentControlType(CONTROLTYPEID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentLocalizedControlType(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentName(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentAcceleratorKey(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentAccessKey(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentHasKeyboardFocus(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentIsKeyboardFocusable(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentIsEnabled(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentAutomationId(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentClassName(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentHelpText(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentCulture(int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentIsControlElement(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentIsContentElement(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentIsPassword(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentNativeWindowHandle(UIA_HWND*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentItemType(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentIsOffscreen(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentOrientation(enum OrientationType*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentFrameworkId(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentIsRequiredForForm(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentItemStatus(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentBoundingRectangle(RECT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentLabeledBy(IUIAutomationElement**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentAriaRole(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentAriaProperties(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentIsDataValidForForm(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentControllerFor(IUIAutomationElementArray**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentDescribedBy(IUIAutomationElementArray**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentFlowsTo(IUIAutomationElementArray**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentProviderDescription(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedProcessId(int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedControlType(CONTROLTYPEID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedLocalizedControlType(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedName(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedAcceleratorKey(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedAccessKey(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedHasKeyboardFocus(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedIsKeyboardFocusable(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedIsEnabled(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedAutomationId(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedClassName(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedHelpText(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedCulture(int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedIsControlElement(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedIsContentElement(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedIsPassword(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedNativeWindowHandle(UIA_HWND*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedItemType(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedIsOffscreen(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedOrientation(enum OrientationType*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedFrameworkId(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedIsRequiredForForm(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedItemStatus(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedBoundingRectangle(RECT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedLabeledBy(IUIAutomationElement**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedAriaRole(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedAriaProperties(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedIsDataValidForForm(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedControllerFor(IUIAutomationElementArray**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedDescribedBy(IUIAutomationElementArray**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedFlowsTo(IUIAutomationElementArray**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedProviderDescription(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClickablePoint(POINT*, BOOL*) override { return E_NOTIMPL; }
};

// Every method of IUIAutomationPropertyCondition and the interfaces it derives from, failing.
class TFailingPropertyCondition : public IUIAutomationPropertyCondition {
public:
    // IUIAutomationCondition
    // IUIAutomationPropertyCondition
    HRESULT STDMETHODCALLTYPE get_PropertyId(PROPERTYID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_PropertyValue(VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_PropertyConditionFlags(enum PropertyConditionFlags*) override { return E_NOTIMPL; }
};

// Every method of IUIAutomationAndCondition and the interfaces it derives from, failing.
class TFailingAndCondition : public IUIAutomationAndCondition {
public:
    // IUIAutomationCondition
    // IUIAutomationAndCondition
    HRESULT STDMETHODCALLTYPE get_ChildCount(int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetChildrenAsNativeArray(IUIAutomationCondition***, int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetChildren(SAFEARRAY**) override { return E_NOTIMPL; }
};

// Every method of IUIAutomationValuePattern and the interfaces it derives from, failing.
class TFailingValuePattern : public IUIAutomationValuePattern {
public:
    // IUIAutomationValuePattern
    HRESULT STDMETHODCALLTYPE SetValue(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentValue(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentIsReadOnly(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedValue(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CachedIsReadOnly(BOOL*) override { return E_NOTIMPL; }
};

// clang-format on

}  // namespace qm::testserver
