#include "settings/options_dialog.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "base/bounded_text.h"
#include "base/hot_keys.h"
#include "listing/listing_generator.h"
#include "listing/listing_options.h"
#include "resources/resource_ids.h"
#include "settings/current_filter.h"
#include "settings/settings_file.h"

int32_t FilterEdited = 0;

namespace {

constexpr int kTextCapacity = 1000;  // the edit field is read with this limit
constexpr int kMessageCapacity = 1600;
constexpr char kAddQuestion[] = "Add String To List?";
constexpr char kRemoveQuestion[] = "Remove String From List?";
constexpr char kMessageCaption[] = "Options";

// The ten boxes and their flags. The first six are the ones ApplyOptions copies, in
// its order; the last four are the case boxes, written at each click.
struct OptionBox {
    int id;
    int32_t ListingOptionFlags::*flag;
};
constexpr int kBoxCount = 10;
constexpr int kAppliedBoxCount = 6;
constexpr OptionBox kBoxes[kBoxCount] = {
    {IDC_OPT_LIST_ITEM_NAMES, &ListingOptionFlags::ListItemNames},
    {IDC_OPT_LIST_FOLDER_NAMES, &ListingOptionFlags::ListFolderNames},
    {IDC_OPT_INCLUDE_EXTENSIONS, &ListingOptionFlags::IncludeExtensions},
    {IDC_OPT_INCLUDE_EMPTY, &ListingOptionFlags::IncludeEmptyFolders},
    {IDC_OPT_COMPLETE_PATH, &ListingOptionFlags::CompleteFolderPath},
    {IDC_OPT_UNDERSCORE, &ListingOptionFlags::UnderScoreToSpace},
    {IDC_OPT_ITEMS_LOWER, &ListingOptionFlags::ItemsLowerCase},
    {IDC_OPT_FOLDERS_LOWER, &ListingOptionFlags::FoldersLowerCase},
    {IDC_OPT_ITEMS_UPPER, &ListingOptionFlags::ItemsUpperCase},
    {IDC_OPT_FOLDERS_UPPER, &ListingOptionFlags::FoldersUpperCase},
};

// The eleven working controls, looked up once when the dialog opens.
HWND BoxHandles[kBoxCount] = {};
HWND FilterBox = nullptr;

int BoxIndex(int id) {
    for (int i = 0; i < kBoxCount; ++i) {
        if (kBoxes[i].id == id)
            return i;
    }
    return -1;
}

int CasePartner(int id) {
    switch (id) {
        case IDC_OPT_ITEMS_LOWER:
            return IDC_OPT_ITEMS_UPPER;
        case IDC_OPT_ITEMS_UPPER:
            return IDC_OPT_ITEMS_LOWER;
        case IDC_OPT_FOLDERS_LOWER:
            return IDC_OPT_FOLDERS_UPPER;
        default:
            return IDC_OPT_FOLDERS_LOWER;
    }
}

// ---- Hot keys and boxes ----

// Esc and Enter are system hot keys: whoever holds them takes those keys away from
// every other program. The dialog holds them only while it is the active window and
// shows no box of its own.
bool HotKeysHeld = false;
bool DialogActive = false;
bool BoxShown = false;

void UpdateHotKeys(HWND dialog) {
    HoldHotKeysWhen(dialog, DialogActive && !BoxShown, HotKeysHeld);
}

// Every box the dialog shows is owned by it, so the dialog cannot be used while the
// box is up; Esc and Enter go to the box, and come back to the dialog afterwards.
int ShowBox(HWND dialog, const char* text, const char* caption, UINT type) {
    BoxShown = true;
    UpdateHotKeys(dialog);
    int answer = MessageBoxExA(dialog, text, caption, type, 0);
    BoxShown = false;
    UpdateHotKeys(dialog);
    return answer;
}

bool HasNonAscii(const char* text) {
    for (; *text != '\0'; ++text) {
        if (static_cast<unsigned char>(*text) >= 0x80)
            return true;
    }
    return false;
}

bool Confirm(HWND dialog, const char* question, const char* filter) {
    return ShowBox(dialog, filter, question, MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

// Says why a change to the stored list did not happen.
void ExplainListChange(HWND dialog, ListChange change, const char* extension, bool adding) {
    char text[kMessageCapacity];
    UINT icon = MB_ICONEXCLAMATION;
    if (change == ListChange::WriteFailed && adding && SettingsFilePath[0] == '\0') {
        std::snprintf(text, sizeof text,
                      "\"*.%s\" is used until Kelvora ends, but it cannot be kept: Kelvora has "
                      "no settings file, because the path of the folder it was started from is "
                      "too long.",
                      extension);
    } else if (change == ListChange::WriteFailed && adding) {
        std::snprintf(text, sizeof text,
                      "The settings file could not be written:\n\n%s\n\n"
                      "\"*.%s\" is used until Kelvora ends, but it cannot be kept for the next "
                      "start. Make sure that the file is not read-only and that you may change "
                      "files in its folder.",
                      SettingsFilePath, extension);
    } else if (change == ListChange::WriteFailed) {
        std::snprintf(text, sizeof text,
                      "The settings file could not be written:\n\n%s\n\n"
                      "The list of extensions has not been changed. Make sure that the file "
                      "is not read-only and that you may change files in its folder.",
                      SettingsFilePath);
        icon = MB_ICONERROR;
    } else if (change == ListChange::ValueTooLong) {
        std::snprintf(text, sizeof text,
                      "The list of extensions in the settings file is too long for Kelvora to "
                      "change:\n\n%s\n\nThe file has not been changed. Shorten the list by "
                      "editing the file.",
                      SettingsFilePath);
    } else if (!adding && change == ListChange::LeadingBlank) {
        std::snprintf(text, sizeof text,
                      "\"*.%s\" cannot be removed: the extension after it begins with a blank, "
                      "and the settings file drops blanks at the start of the list.\n\n"
                      "Remove that extension first, or edit the settings file:\n\n%s",
                      extension, SettingsFilePath);
    } else if (!adding) {
        std::snprintf(text, sizeof text,
                      "\"*.%s\" cannot be removed: the settings file holds this extension in "
                      "a form that this program cannot change.\n\n"
                      "You can remove it by editing the settings file:\n\n%s",
                      extension, SettingsFilePath);
    } else if (change == ListChange::TooLong && HasNonAscii(extension)) {
        std::snprintf(text, sizeof text,
                      "The extension cannot be added to the list because it is too long: an "
                      "extension can take at most %d bytes, and a letter outside the English "
                      "alphabet takes two to four bytes.\n\n"
                      "Shorten it and try again.",
                      kMaxExtensionLength);
    } else if (change == ListChange::TooLong) {
        std::snprintf(text, sizeof text,
                      "The extension cannot be added to the list because it is too long: an "
                      "extension can have at most %d characters.\n\n"
                      "Shorten it and try again.",
                      kMaxExtensionLength);
    } else if (change == ListChange::LeadingBlank) {
        std::snprintf(text, sizeof text,
                      "\"*.%s\" cannot be added because it begins with a blank, and it would "
                      "be the first extension in the settings file, which drops blanks at the "
                      "start of the list.\n\n"
                      "Remove the blank and try again.",
                      extension);
    } else if (change == ListChange::ListFull) {
        std::snprintf(text, sizeof text,
                      "\"*.%s\" cannot be added because the list of extensions is full: the "
                      "settings file keeps at most %d characters of extensions.\n\n"
                      "Remove an extension that you no longer need and try again.",
                      extension, kSettingsValueCapacity - 1);
    } else {
        const char* bad = std::strpbrk(extension, ",:");
        if (bad != nullptr && *bad == ',') {
            std::snprintf(text, sizeof text,
                          "\"*.%s\" cannot be added because it contains a comma (,).\n\n"
                          "The list of extensions uses commas to separate its entries. "
                          "Remove the comma and try again.",
                          extension);
        } else if (bad != nullptr) {
            std::snprintf(text, sizeof text,
                          "\"*.%s\" cannot be added because it contains a colon (:).\n\n"
                          "The list of extensions uses a colon to mark its end. "
                          "Remove the colon and try again.",
                          extension);
        } else {
            std::snprintf(text, sizeof text,
                          "The extension cannot be added because it contains a control "
                          "character, such as a tab or a line break, which no file name "
                          "can contain.\n\nRemove the character and try again.");
        }
    }
    ShowBox(dialog, text, kMessageCaption, MB_OK | icon);
}

// ---- The filter box ----

// Copies an item's text into a buffer of kFilterCapacity bytes; false when there is no
// such item (or its text would not fit).
bool ItemText(int index, char* text) {
    LRESULT length = SendMessageA(FilterBox, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR || length >= kFilterCapacity)
        return false;
    return SendMessageA(FilterBox, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text)) != CB_ERR;
}

int ItemCount() {
    return static_cast<int>(SendMessageA(FilterBox, CB_GETCOUNT, 0, 0));
}

// The whole text of the edit field.
void ReadEditField(char* text) {
    SendMessageA(FilterBox, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
    text[0] = '\0';
    SendMessageA(FilterBox, WM_GETTEXT, kTextCapacity, reinterpret_cast<LPARAM>(text));
}

// Selects the item at FilterIndex, which puts its text into the edit field; with no
// such item nothing is selected and the field is empty.
void ShowFilterIndex() {
    bool exists = FilterIndex >= 0 && FilterIndex < ItemCount();
    SendMessageA(FilterBox, CB_SETCURSEL, exists ? FilterIndex : -1, 0);
}

// Fills the list afresh from the settings file, so that it shows what the file holds.
// CurrentFilter keeps its value (FillFilterBox uses it as its working buffer); the item
// at FilterIndex is selected again and a pending typed text is put back.
void RefillFilterBox() {
    char typed[kTextCapacity] = "";
    if (FilterEdited)
        ReadEditField(typed);
    char filter[kFilterCapacity];
    CopyText(filter, sizeof filter, CurrentFilter);
    SendMessageA(FilterBox, CB_RESETCONTENT, 0, 0);
    FillFilterBox(FilterBox);
    CopyText(CurrentFilter, kFilterCapacity, filter);
    ShowFilterIndex();
    if (FilterEdited)
        SetWindowTextA(FilterBox, typed);
}

// The character after the one at text, whole: in the UTF-8 code page a character
// beyond ASCII takes two to four bytes.
const char* NextCharacter(const char* text) {
    if (*text == '\0')
        return text;
    if (GetACP() != CP_UTF8)
        return CharNextA(text);
    ++text;
    while ((static_cast<unsigned char>(*text) & 0xC0) == 0x80)
        ++text;
    return text;
}

// The extension of a typed filter, judged by its first character once: "*" and the
// character after it are dropped, or a leading "."; otherwise the text is taken whole.
const char* StripToExtension(const char* text) {
    if (text[0] == '*')
        return NextCharacter(text + 1);
    if (text[0] == '.')
        return text + 1;
    return text;
}

bool IsCutItem(int index) {
    return SendMessageA(FilterBox, CB_GETITEMDATA, index, 0) == kCutEntryItem;
}

bool IsUnkeptItem(int index) {
    return SendMessageA(FilterBox, CB_GETITEMDATA, index, 0) == kUnkeptEntryItem;
}

// Makes the item at index the filter in force: its text, or "*." alone for an item that
// shows a stored entry cut (it names no files of its own). False without that item.
bool TakeItemAsFilter(int index) {
    char text[kFilterCapacity];
    if (!ItemText(index, text))
        return false;
    CopyText(CurrentFilter, kFilterCapacity, IsCutItem(index) ? "*." : text);
    return true;
}

// ---- Operations ----

void OpenOptions(HWND dialog) {
    // The dialog is about to become the active window (its owner was).
    DialogActive = true;
    BoxShown = false;
    UpdateHotKeys(dialog);
    for (int i = 0; i < kBoxCount; ++i)
        BoxHandles[i] = GetDlgItem(dialog, kBoxes[i].id);
    FilterBox = GetDlgItem(dialog, IDC_OPT_EXTENSIONS);
    for (int i = 0; i < kBoxCount; ++i)
        SendMessageA(BoxHandles[i], BM_SETCHECK, ListingOptions.*kBoxes[i].flag, 0);
    FilterEdited = 0;
    FillFilterBox(FilterBox);
    SendMessageA(FilterBox, CB_SETCURSEL, FilterIndex, 0);
    TakeItemAsFilter(FilterIndex);  // CurrentFilter stays "*." without that item
}

void CloseOptions(HWND dialog, INT_PTR result) {
    FilterEdited = 0;
    DialogActive = false;
    UpdateHotKeys(dialog);
    EndDialog(dialog, result);
}

void ClickCaseBox(int id) {
    int32_t state = SendMessageA(BoxHandles[BoxIndex(id)], BM_GETCHECK, 0, 0) == BST_CHECKED;
    ListingOptions.*kBoxes[BoxIndex(id)].flag = state;
    if (state == 1) {
        int partner = BoxIndex(CasePartner(id));
        SendMessageA(BoxHandles[partner], BM_SETCHECK, BST_UNCHECKED, 0);
        ListingOptions.*kBoxes[partner].flag = 0;
    }
}

void SelectFilter() {
    int index = static_cast<int>(SendMessageA(FilterBox, CB_GETCURSEL, 0, 0));
    if (index == CB_ERR)
        return;
    if (!TakeItemAsFilter(index))
        return;
    FilterIndex = index;
    FilterEdited = 0;
}

// Takes the pending typed filter into the list when the user agrees. False when it
// could not be stored: it stays in the edit field, still pending, and nothing changed.
bool TakeTypedFilter(HWND dialog) {
    char typed[kTextCapacity];
    ReadEditField(typed);
    const char* extension = StripToExtension(typed);
    ListChange judged = JudgeAppendExtension(extension);
    // A file that cannot be written does not keep the user from the filter: it is then
    // used for this run only.
    if (judged != ListChange::Stored && judged != ListChange::WriteFailed) {
        ExplainListChange(dialog, judged, extension, true);
        return false;
    }
    char display[kFilterCapacity];
    CopyText(display, sizeof display, "*.");
    AppendText(display, sizeof display, extension);
    if (!Confirm(dialog, kAddQuestion, display)) {
        // Declined: the typed text goes, the list shows the filter in force again.
        FilterEdited = 0;
        ShowFilterIndex();
        return true;
    }
    ListChange stored = AppendExtension(extension);
    bool kept = stored == ListChange::Stored;
    if (stored == ListChange::WriteFailed) {
        ExplainListChange(dialog, stored, extension, true);
        stored = KeepExtensionForThisRun(extension);
    }
    if (stored != ListChange::Stored) {
        ExplainListChange(dialog, stored, extension, true);
        RefillFilterBox();
        return false;
    }
    // The list shows what the file holds, then the extensions kept for this run: the
    // new item is the last of the one kind or the other.
    FilterEdited = 0;
    RefillFilterBox();
    FilterIndex = ItemCount() - 1 - (kept ? UnkeptExtensionCount() : 0);
    SendMessageA(FilterBox, CB_SETCURSEL, FilterIndex, 0);
    CopyText(CurrentFilter, kFilterCapacity, display);
    return true;
}

// Removes the selected item's entry from the file and the item from the list when the
// user agrees to the removal of what the edit field shows. Nothing happens while a typed
// text is pending. With nothing selected the question is asked all the same, and
// agreeing only selects the first item.
void RemoveSelectedFilter(HWND dialog) {
    if (FilterEdited == 1)
        return;
    char shown[kTextCapacity];
    ReadEditField(shown);
    if (!Confirm(dialog, kRemoveQuestion, shown))
        return;
    int index = static_cast<int>(SendMessageA(FilterBox, CB_GETCURSEL, 0, 0));
    char item[kFilterCapacity];
    if (index != CB_ERR && ItemText(index, item)) {
        std::string extension = item + 2;  // every item is "*." + extension
        if (IsCutItem(index))
            extension = CutEntry(index, item);  // the whole entry the item shows cut
        ListChange removed = ListChange::NotFound;
        if (IsUnkeptItem(index)) {
            if (ForgetUnkeptExtension(extension.c_str()))
                removed = ListChange::Stored;
        } else if (!extension.empty() || !IsCutItem(index)) {
            removed = RemoveExtension(extension.c_str());
        }
        if (removed == ListChange::Stored) {
            SendMessageA(FilterBox, CB_DELETESTRING, index, 0);
        } else if (removed == ListChange::NotFound) {
            RefillFilterBox();  // the file no longer holds it: show what the file holds
        } else {
            ExplainListChange(dialog, removed, item + 2, false);
            RefillFilterBox();
            return;
        }
    }
    FilterIndex = 0;
    SendMessageA(FilterBox, CB_SETCURSEL, 0, 0);
    TakeItemAsFilter(0);  // an empty list leaves CurrentFilter as it was
}

void OptionsCommand(HWND dialog, int id, int code) {
    if (code != 0) {
        if (id != IDC_OPT_EXTENSIONS)
            return;
        if (code == CBN_SELCHANGE)
            SelectFilter();
        else if (code == CBN_EDITCHANGE)
            FilterEdited = 1;
        return;
    }
    switch (id) {
        case IDC_OPT_OK:
            if (ApplyOptions(dialog)) {
                CloseOptions(dialog, 1);
                RegenerateListing();
            }
            break;
        case IDC_OPT_APPLY:
            if (ApplyOptions(dialog))
                RegenerateListing();
            break;
        case IDC_OPT_CANCEL:
            CloseOptions(dialog, 0);
            break;
        case IDC_OPT_REMOVE:
            RemoveSelectedFilter(dialog);
            break;
        case IDC_OPT_ITEMS_LOWER:
        case IDC_OPT_FOLDERS_LOWER:
        case IDC_OPT_ITEMS_UPPER:
        case IDC_OPT_FOLDERS_UPPER:
            ClickCaseBox(id);
            break;
        default:
            break;  // the other boxes check themselves; IDOK and IDCANCEL do nothing
    }
}

INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            OpenOptions(dialog);
            return TRUE;  // the focus goes to the first control, "List Item Names"
        case WM_CLOSE:
            CloseOptions(dialog, 0);
            return TRUE;
        case WM_ACTIVATE:
            // Another window, of this program or another, takes over: Esc and Enter are
            // its keys until the dialog is active again.
            DialogActive = LOWORD(wParam) != WA_INACTIVE;
            UpdateHotKeys(dialog);
            return FALSE;  // the dialog manager keeps the focus as usual
        case WM_HOTKEY:
            if (wParam == kHotKeyEscape)
                SendMessageA(dialog, WM_CLOSE, 0, 0);
            else if (wParam == kHotKeyEnter)
                SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_OPT_OK, 0), 0);
            return TRUE;
        case WM_COMMAND:
            OptionsCommand(dialog, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

bool ApplyOptions(HWND dialog) {
    if (FilterEdited == 1 && !TakeTypedFilter(dialog))
        return false;
    for (int i = 0; i < kAppliedBoxCount; ++i) {
        ListingOptions.*kBoxes[i].flag =
            SendMessageA(BoxHandles[i], BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    return true;
}

INT_PTR OptionsDialog(HWND owner) {
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_OPTIONS), owner,
                           OptionsDialogProc, 0);
}
