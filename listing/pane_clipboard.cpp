#include "listing/pane_clipboard.h"

#include <ole2.h>
#include <richedit.h>
#include <richole.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <utility>

#include "base/rtf_rewrite.h"

namespace {

const char kCallbackProperty[] = "KelvoraPaneClipboard";
const char kOriginalProc[] = "KelvoraPaneProc";

// IIDs spelled out here, so that no GUID library is needed for them.
const IID kIidRichEditOleCallback = {0x00020D03, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

LONG liveObjects = 0;
IDataObject* lastCopy = nullptr;  // the newest copy while it lives; not a reference

UINT RtfFormat() {
    static const UINT format = RegisterClipboardFormatA("Rich Text Format");
    return format;
}

FORMATETC Format(UINT format) {
    FORMATETC f = {};
    f.cfFormat = static_cast<CLIPFORMAT>(format);
    f.dwAspect = DVASPECT_CONTENT;
    f.lindex = -1;
    f.tymed = TYMED_HGLOBAL;
    return f;
}

HGLOBAL GlobalCopy(const void* bytes, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (block == nullptr)
        return nullptr;
    void* at = GlobalLock(block);
    std::memcpy(at, bytes, size);
    GlobalUnlock(block);
    return block;
}

// The selection's text, line breaks as CR LF.
std::wstring SelectionText(HWND pane, const CHARRANGE& range) {
    // Each character becomes at most two (a break becomes CR LF).
    const size_t capacity = 2 * static_cast<size_t>(range.cpMax - range.cpMin) + 1;
    std::wstring text(capacity, L'\0');
    GETTEXTEX request = {};
    request.cb = static_cast<DWORD>(capacity * sizeof(wchar_t));
    request.flags = GT_SELECTION | GT_USECRLF;
    request.codepage = 1200;  // UTF-16
    LRESULT length = SendMessageW(pane, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                                  reinterpret_cast<LPARAM>(&text[0]));
    text.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return text;
}

DWORD CALLBACK CollectRtf(DWORD_PTR cookie, LPBYTE bytes, LONG count, LONG* taken) {
    auto* out = reinterpret_cast<std::pair<RtfRewrite, std::string>*>(cookie);
    RewriteRtfChunk(out->first, bytes, static_cast<size_t>(count), out->second);
    *taken = count;
    return 0;
}

bool EndsWithBreak(const std::wstring& text) {
    return !text.empty() && (text.back() == L'\n' || text.back() == L'\r');
}

// Some controls (Wine's) close the RTF of a selection that reaches the end of the text
// with a paragraph mark that the selection does not hold, so a paste would add a line
// break. Takes a "\par" off that stands right before the document's closing brace.
void DropClosingParagraph(std::string& rtf) {
    size_t brace = rtf.find_last_of('}');
    if (brace == std::string::npos || brace == 0)
        return;
    size_t end = rtf.find_last_not_of(" \r\n", brace - 1);
    const std::string kPar = "\\par";
    if (end == std::string::npos || end + 1 < kPar.size() ||
        rtf.compare(end + 1 - kPar.size(), kPar.size(), kPar) != 0)
        return;
    size_t slash = end + 1 - kPar.size();
    // An escaped backslash before it makes "par" text, not a control word.
    size_t run = 0;
    while (slash >= run + 1 && rtf[slash - run - 1] == '\\')
        ++run;
    if (run % 2 == 0)
        rtf.erase(slash, end + 1 - slash);
}

// The selection as standard RTF; text is its plain text.
std::string SelectionRtf(HWND pane, const std::wstring& text) {
    std::pair<RtfRewrite, std::string> out;
    EDITSTREAM stream = {};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&out);
    stream.pfnCallback = CollectRtf;
    SendMessageA(pane, EM_STREAMOUT, SF_RTF | SFF_SELECTION, reinterpret_cast<LPARAM>(&stream));
    // Controls end the stream with a zero of their own; the block gets exactly one.
    std::string& rtf = out.second;
    while (!rtf.empty() && rtf.back() == '\0')
        rtf.pop_back();
    if (!EndsWithBreak(text))
        DropClosingParagraph(rtf);
    return rtf;
}

// One copy or cut: the text and the RTF of the selection at that moment. It holds no
// reference to the pane, so it outlives it on the clipboard.
class PaneData final : public IDataObject {
public:
    PaneData(std::wstring text, std::string rtf) : text_(std::move(text)), rtf_(std::move(rtf)) {
        InterlockedIncrement(&liveObjects);
    }
    ~PaneData() {
        if (lastCopy == this)
            lastCopy = nullptr;
        InterlockedDecrement(&liveObjects);
    }
    PaneData(const PaneData&) = delete;
    PaneData& operator=(const PaneData&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
            *out = static_cast<IDataObject*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = InterlockedDecrement(&references_);
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (format == nullptr || medium == nullptr)
            return E_INVALIDARG;
        HRESULT offered = QueryGetData(format);
        if (offered != S_OK)
            return offered;
        HGLOBAL block = format->cfFormat == CF_UNICODETEXT
                            ? GlobalCopy(text_.c_str(), (text_.size() + 1) * sizeof(wchar_t))
                            : GlobalCopy(rtf_.c_str(), rtf_.size() + 1);
        if (block == nullptr)
            return E_OUTOFMEMORY;
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = block;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        if (format == nullptr)
            return E_INVALIDARG;
        if (format->cfFormat != CF_UNICODETEXT && format->cfFormat != RtfFormat())
            return DV_E_FORMATETC;
        if (format->dwAspect != DVASPECT_CONTENT)
            return DV_E_DVASPECT;
        if (!(format->tymed & TYMED_HGLOBAL))
            return DV_E_TYMED;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        if (out != nullptr)
            out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override {
        if (out == nullptr)
            return E_POINTER;
        *out = nullptr;
        if (direction != DATADIR_GET)
            return E_NOTIMPL;
        const FORMATETC formats[] = {Format(CF_UNICODETEXT), Format(RtfFormat())};
        return SHCreateStdEnumFmtEtc(2, formats, out);
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }

private:
    LONG references_ = 1;
    std::wstring text_;
    std::string rtf_;
};

// The pane's callback: only the clipboard data is the program's own; for everything
// else the control does what it does without one.
class PaneCallback final : public IRichEditOleCallback {
public:
    explicit PaneCallback(HWND pane) : pane_(pane) { InterlockedIncrement(&liveObjects); }
    ~PaneCallback() { InterlockedDecrement(&liveObjects); }
    PaneCallback(const PaneCallback&) = delete;
    PaneCallback& operator=(const PaneCallback&) = delete;

    COM_DECLSPEC_NOTHROW HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, kIidRichEditOleCallback)) {
            *out = static_cast<IRichEditOleCallback*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    COM_DECLSPEC_NOTHROW ULONG STDMETHODCALLTYPE AddRef() override {
        return InterlockedIncrement(&references_);
    }
    COM_DECLSPEC_NOTHROW ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = InterlockedDecrement(&references_);
        if (left == 0)
            delete this;
        return left;
    }

    COM_DECLSPEC_NOTHROW HRESULT STDMETHODCALLTYPE GetNewStorage(LPSTORAGE*) override {
        return E_NOTIMPL;
    }
    COM_DECLSPEC_NOTHROW HRESULT STDMETHODCALLTYPE
    GetInPlaceContext(LPOLEINPLACEFRAME*, LPOLEINPLACEUIWINDOW*, LPOLEINPLACEFRAMEINFO) override {
        return E_NOTIMPL;
    }
    COM_DECLSPEC_NOTHROW HRESULT STDMETHODCALLTYPE ShowContainerUI(BOOL) override {
        return E_NOTIMPL;
    }
    COM_DECLSPEC_NOTHROW HRESULT STDMETHODCALLTYPE QueryInsertObject(LPCLSID, LPSTORAGE,
                                                                     LONG) override {
        return S_OK;
    }
    COM_DECLSPEC_NOTHROW HRESULT STDMETHODCALLTYPE DeleteObject(LPOLEOBJECT) override {
        return S_OK;
    }
    COM_DECLSPEC_NOTHROW HRESULT STDMETHODCALLTYPE QueryAcceptData(LPDATAOBJECT, CLIPFORMAT*, DWORD,
                                                                   BOOL, HGLOBAL) override {
        return S_OK;
    }
    COM_DECLSPEC_NOTHROW HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override {
        return S_OK;
    }
    COM_DECLSPEC_NOTHROW HRESULT STDMETHODCALLTYPE GetClipboardData(CHARRANGE* range, DWORD,
                                                                    LPDATAOBJECT* out) override {
        if (out == nullptr || range == nullptr)
            return E_INVALIDARG;
        *out = nullptr;
        // The data is read through the selection; another range (asked for through the
        // control's OLE interface, which the program does not use) is left to the control.
        CHARRANGE selection = {};
        SendMessageA(pane_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
        if (range->cpMin != selection.cpMin || range->cpMax != selection.cpMax)
            return E_NOTIMPL;
        std::wstring text = SelectionText(pane_, selection);
        std::string rtf = SelectionRtf(pane_, text);
        *out = lastCopy = new PaneData(std::move(text), std::move(rtf));
        return S_OK;
    }
    COM_DECLSPEC_NOTHROW HRESULT STDMETHODCALLTYPE GetDragDropEffect(BOOL, DWORD,
                                                                     LPDWORD) override {
        return S_OK;
    }
    COM_DECLSPEC_NOTHROW HRESULT STDMETHODCALLTYPE GetContextMenu(WORD, LPOLEOBJECT, CHARRANGE*,
                                                                  HMENU* menu) override {
        // The pane's context menu is the main window's (shown on EN_MSGFILTER).
        if (menu != nullptr)
            *menu = nullptr;
        return E_NOTIMPL;
    }

private:
    LONG references_ = 1;
    HWND pane_;
};

// Takes the callback off the pane and drops the pane's reference to it; the control
// drops its own, if it took one, when it is given none.
void DetachCallback(HWND pane) {
    auto* callback = reinterpret_cast<PaneCallback*>(RemovePropA(pane, kCallbackProperty));
    if (callback == nullptr)
        return;
    SendMessageA(pane, EM_SETOLECALLBACK, 0, 0);
    callback->Release();
    // A copy still waiting on the clipboard is written into it now, so that it stays
    // there when the program ends with the pane. Another program may hold the
    // clipboard open for a moment (under Wine, the bridge to the X clipboard opens it to
    // read every change): the copy would then be lost, so the writing is tried again
    // for up to a second.
    if (lastCopy != nullptr && OleIsCurrentClipboard(lastCopy) == S_OK) {
        for (int tries = 1; OleFlushClipboard() == CLIPBRD_E_CANT_OPEN && tries < 50; ++tries)
            Sleep(20);
    }
}

// The Rich Edit class's own procedure, the same for every pane, kept here as well:
// looking up a window property on every message costs Wine a call to its server.
WNDPROC paneProc = nullptr;

// The pane's window procedure, wrapped to take the callback off when it is destroyed.
LRESULT CALLBACK PaneWithClipboard(HWND pane, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC original = paneProc;
    if (original == nullptr)
        return DefWindowProcA(pane, message, wParam, lParam);
    if (message == WM_DESTROY) {
        DetachCallback(pane);
    } else if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(pane, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropA(pane, kOriginalProc);
    }
    return CallWindowProcA(original, pane, message, wParam, lParam);
}

}  // namespace

void AttachPaneClipboard(HWND pane) {
    if (pane == nullptr || GetPropA(pane, kCallbackProperty) != nullptr)
        return;
    auto* callback = new PaneCallback(pane);
    if (!SendMessageA(pane, EM_SETOLECALLBACK, 0, reinterpret_cast<LPARAM>(callback))) {
        callback->Release();
        return;
    }
    SetPropA(pane, kCallbackProperty, reinterpret_cast<HANDLE>(callback));
    if (GetPropA(pane, kOriginalProc) == nullptr) {
        paneProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(pane, GWLP_WNDPROC));
        SetPropA(pane, kOriginalProc, reinterpret_cast<HANDLE>(paneProc));
        SetWindowLongPtrA(pane, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PaneWithClipboard));
    }
}

long PaneClipboardObjects() {
    return liveObjects;
}
