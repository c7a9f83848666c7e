#include "shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

namespace {

// Room for a full-length path in UTF-16, terminator included.
constexpr SIZE_T kWideLinkBytes = 540;
constexpr int kWideLinkChars = MAX_PATH;
static_assert(kWideLinkBytes >= (MAX_PATH + 1) * sizeof(WCHAR), "link path block too small");

// Sets every property of the link; false on the first one refused.
bool FillLink(IShellLinkA* link, const ShortcutSpec& shortcut) {
    if (link->SetPath(shortcut.targetPath) != S_OK)
        return false;
    if (shortcut.description && link->SetDescription(shortcut.description) != S_OK)
        return false;
    HRESULT icon = shortcut.iconFile ? link->SetIconLocation(shortcut.iconFile, shortcut.iconIndex)
                                     : link->SetIconLocation(shortcut.targetPath, 0);
    if (icon != S_OK)
        return false;
    if (shortcut.workingFolder && link->SetWorkingDirectory(shortcut.workingFolder) != S_OK)
        return false;
    if (link->SetHotkey(static_cast<WORD>(shortcut.hotKey & 0xFFFF)) != S_OK)
        return false;
    if (link->SetShowCmd(shortcut.showCommand) != S_OK)
        return false;
    return true;
}

}  // namespace

bool CreateShortcut(const ShortcutSpec& shortcut) {
    HGLOBAL block = GlobalAlloc(GMEM_ZEROINIT, kWideLinkBytes);
    if (!block)
        return false;
    WCHAR* wideLink = static_cast<WCHAR*>(block);

    IShellLinkA* link = nullptr;
    if (CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                         reinterpret_cast<void**>(&link)) != S_OK ||
        !link) {
        GlobalFree(block);
        return false;
    }

    IPersistFile* file = nullptr;
    if (link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)) != S_OK || !file) {
        link->Release();
        GlobalFree(block);
        return false;
    }

    bool saved = false;
    // A link path that does not convert whole is not saved under a cut name.
    if (FillLink(link, shortcut) &&
        MultiByteToWideChar(CP_ACP, 0, shortcut.linkPath, -1, wideLink, kWideLinkChars) > 0) {
        saved = file->Save(wideLink, TRUE) == S_OK;
    }

    file->Release();
    link->Release();
    GlobalFree(block);
    return saved;
}
