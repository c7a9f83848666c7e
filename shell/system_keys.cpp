#include "shell/system_keys.h"

namespace {

const char kOriginalProc[] = "KelvoraTreeProc";
// The tree class's own procedure, kept here as well: looking up a window property on
// every message costs Wine a call to its server, and the tree gets many.
WNDPROC treeProc = nullptr;

LRESULT CALLBACK TreeWithSystemKeys(HWND tree, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC original = treeProc;
    if (original == nullptr)
        return DefWindowProcA(tree, message, wParam, lParam);
    switch (message) {
        case WM_SYSKEYDOWN:
            if (!IsTreeKey(wParam))
                return DefWindowProcA(tree, message, wParam, lParam);
            {
                LRESULT result = CallWindowProcA(original, tree, message, wParam, lParam);
                DefWindowProcA(tree, message, wParam, lParam);
                return result;
            }
        case WM_NCDESTROY:
            SetWindowLongPtrA(tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
            RemovePropA(tree, kOriginalProc);
            return CallWindowProcA(original, tree, message, wParam, lParam);
        default:
            return CallWindowProcA(original, tree, message, wParam, lParam);
    }
}

}  // namespace

bool IsTreeKey(WPARAM key) {
    switch (key) {
        case VK_UP:
        case VK_DOWN:
        case VK_LEFT:
        case VK_RIGHT:
        case VK_HOME:
        case VK_END:
        case VK_PRIOR:
        case VK_NEXT:
        case VK_BACK:
        case VK_RETURN:
        case VK_SPACE:
        case VK_ADD:
        case VK_SUBTRACT:
        case VK_MULTIPLY:
            return true;
        default:
            return false;
    }
}

void PassSystemKeysOn(HWND tree) {
    if (tree == nullptr || GetPropA(tree, kOriginalProc) != nullptr)
        return;
    LONG_PTR original = GetWindowLongPtrA(tree, GWLP_WNDPROC);
    SetPropA(tree, kOriginalProc, reinterpret_cast<HANDLE>(original));
    treeProc = reinterpret_cast<WNDPROC>(original);
    SetWindowLongPtrA(tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TreeWithSystemKeys));
}
