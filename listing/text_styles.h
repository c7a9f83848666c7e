// The two text styles of the listing: headings (FolderStyle) and items (ItemStyle).
// Each bundles a font description, a colour and the rich-edit character format
// derived from both; the listing uses only the character format.
#pragma once
#include <windows.h>
#include <commdlg.h>
#include <richedit.h>

struct TextStyle {
    LOGFONTA font;  // its height in pixels at 96 DPI, whatever the display's scale
    COLORREF colour;
    CHARFORMATA format;
};

// What a style's character format sets: face, size, colour, offset, character set,
// bold, italic, underline and strike-out.
constexpr DWORD kStyleFormatMask = CFM_FACE | CFM_SIZE | CFM_COLOR | CFM_OFFSET | CFM_CHARSET |
                                   CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;

extern TextStyle FolderStyle;
extern TextStyle ItemStyle;
extern int FontDialogGate;
extern COLORREF CustomColours[16];
extern CHOOSEFONTA FontDialogRecord;
extern HWND StyleDialogOwner;  // the main window, owner of the font and colour dialogs

// Fills both font descriptions with their defaults and clears the font dialog record.
void InitTextStyles();
// Shows the font dialog for the style when FontDialogGate is non-zero, then rebuilds
// the style's character format. A cancelled dialog changes nothing.
void ApplyTextStyle(TextStyle& style);
// Shows the colour dialog on a style's colour and stores the chosen colour in it; a
// cancelled dialog leaves it as it was. The dialog may change CustomColours either way.
void PickColour(COLORREF& colour);
// The character format rule: the format that follows from a font and a colour.
void BuildCharFormat(TextStyle& style);
// The start-up sequence of the styles: sizes and masks, defaults, both formats built
// without a dialog, then the gate raised.
void SetUpTextStyles(HWND owner);

// The dialog calls, replaceable by tests that drive the style logic without a dialog.
using ChooseFontCall = BOOL (*)(CHOOSEFONTA*);
using ChooseColorCall = BOOL (*)(CHOOSECOLORA*);
void UseStyleDialogs(ChooseFontCall chooseFont, ChooseColorCall chooseColor);
