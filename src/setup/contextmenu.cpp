#include "setup/contextmenu.h"

#include "base/files.h"
#include "setup/installrecord.h"

namespace qm {

namespace {

constexpr wchar_t kClassesKey[] = L"SOFTWARE\\Classes";

struct THandlerClass {
    const wchar_t* fileClass;
    std::wstring handlerName;
};

std::vector<THandlerClass> HandlerClasses() {
    return {{L"*", kQuilmarMenuHandlerName}, {L"folder", std::wstring(kQuilmarMenuHandlerName) + L" folder"}};
}

std::wstring ClassPath(std::wstring_view fileClass) { return JoinPath(kClassesKey, fileClass); }

// A key that holds other handlers' keys: created where missing, with the
// empty default value only when this call created it.
bool PutContainer(const TRegistryPlace& place, const std::wstring& path, TInstallRecord* record) {
    if (KeyExists(place.root, path, place.view)) return true;
    return PutRecordedString(place, path, L"", L"", record);
}

}  // namespace

std::wstring MenuClassKeyPath() { return JoinPath(JoinPath(kClassesKey, L"CLSID"), kQuilmarMenuClsidText); }

std::wstring MenuHandlerKeyPath(std::wstring_view fileClass, std::wstring_view handlerName) {
    return JoinPath(JoinPath(ClassPath(fileClass), L"shellex\\ContextMenuHandlers"), handlerName);
}

bool RegisterContextMenuHandler(const TRegistryPlace& place, const std::wstring& dllPath, TInstallRecord* record) {
    UnregisterContextMenuHandler(place);
    const std::wstring server = JoinPath(MenuClassKeyPath(), L"InprocServer32");
    if (!PutRecordedString(place, MenuClassKeyPath(), L"", kQuilmarMenuDescription, record) ||
        !PutRecordedString(place, server, L"", dllPath, record) ||
        !PutRecordedString(place, server, L"ThreadingModel", kQuilmarMenuThreading, record))
        return false;
    if (!PutRecordedString(place, kShellExtensionsApproved, kQuilmarMenuClsidText, kQuilmarMenuDescription, record))
        return false;
    for (const THandlerClass& c : HandlerClasses()) {
        const std::wstring shellex = JoinPath(ClassPath(c.fileClass), L"shellex");
        const std::wstring handlers = JoinPath(shellex, L"ContextMenuHandlers");
        if (!PutContainer(place, shellex, record) || !PutContainer(place, handlers, record) ||
            !PutRecordedString(place, MenuHandlerKeyPath(c.fileClass, c.handlerName), L"", kQuilmarMenuClsidText,
                               record))
            return false;
    }
    return true;
}

bool UnregisterContextMenuHandler(const TRegistryPlace& place) {
    bool gone = true;
    for (const THandlerClass& c : HandlerClasses()) {
        gone &= DeleteKeyTree(place.root, MenuHandlerKeyPath(c.fileClass, c.handlerName), place.view);
        const std::wstring shellex = JoinPath(ClassPath(c.fileClass), L"shellex");
        const std::wstring handlers = JoinPath(shellex, L"ContextMenuHandlers");
        if (KeyExists(place.root, handlers, place.view) && SubkeyNames(place.root, handlers, place.view).empty() &&
            DeleteKeyWithoutSubkeys(place.root, handlers, place.view) && KeyExists(place.root, shellex, place.view) &&
            SubkeyNames(place.root, shellex, place.view).empty())
            DeleteKeyWithoutSubkeys(place.root, shellex, place.view);
    }
    gone &= DeleteKeyTree(place.root, MenuClassKeyPath(), place.view);
    return gone;
}

bool RemoveContextMenuApproval(const TRegistryPlace& place) {
    return DeleteValue(place.root, kShellExtensionsApproved, place.view, kQuilmarMenuClsidText);
}

std::wstring ContextMenuBackupPath(const std::wstring& dllPath) { return ChangeExtension(dllPath, L"_bak.dll"); }

bool InstallContextMenuDll(const std::wstring& folder, const std::wstring& fileName, std::string_view bytes,
                           const TRegistryPlace& place, TInstallRecord* record) {
    if (bytes.empty()) return false;
    const std::wstring path = JoinPath(folder, fileName);
    const std::wstring backup = ContextMenuBackupPath(path);
    if (IsExistingFile(path)) {
        // Explorer may hold the old DLL loaded: moved aside, it can stay loaded.
        ::DeleteFileW(LongPathForm(backup).c_str());
        if (::MoveFileExW(LongPathForm(path).c_str(), LongPathForm(backup).c_str(), 0) && record)
            record->AddFile(backup);
    }
    if (!WriteFileReplacing(path, bytes)) return false;
    if (record) record->AddFile(path);
    return RegisterContextMenuHandler(place, path, record);
}

}  // namespace qm
