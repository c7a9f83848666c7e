#include "listing/text_styles.h"

#include <cstring>

#include "base/bounded_text.h"
#include "base/display_scale.h"

TextStyle FolderStyle = {};
TextStyle ItemStyle = {};
int FontDialogGate = 0;
CHOOSEFONTA FontDialogRecord = {};
HWND StyleDialogOwner = nullptr;
COLORREF CustomColours[16] = {
    0x000000, 0x444444, 0x888888, 0xCCCCCC, 0xFFFFFF, 0x0080FF, 0x0060C0, 0x004080,
    0xFF0000, 0xCCCC00, 0x00FF00, 0x00FFFF, 0x00CCFF, 0x0000FF, 0xCC00FF, 0xFF00CC,
};

namespace {

ChooseFontCall chooseFontCall = ChooseFontA;
ChooseColorCall chooseColorCall = ChooseColorA;

void SetDefaultFont(LOGFONTA& font, LONG weight) {
    std::memset(&font, 0, sizeof font);
    font.lfHeight = -12;
    font.lfWeight = weight;
    font.lfCharSet = ANSI_CHARSET;
    font.lfOutPrecision = OUT_STRING_PRECIS;
    font.lfClipPrecision = CLIP_STROKE_PRECIS;
    font.lfQuality = DRAFT_QUALITY;
    font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    CopyText(font.lfFaceName, sizeof font.lfFaceName, "MS Sans Serif");
}

// |height| x 16 twips, whatever the sign. Computed wide and held at the largest
// height the format can carry, so that no font description overflows it.
LONG HeightInTwips(LONG height) {
    long long twips = static_cast<long long>(height) * 16;
    if (twips < 0)
        twips = -twips;
    const long long largest = 0x7FFFFFFF;
    return static_cast<LONG>(twips < largest ? twips : largest);
}

// The style's height is in pixels at 96 DPI, which keeps the listing's point size the
// same at every display scale; the font dialog measures in the screen's pixels. It
// is handed the style's size in whole points, as it shows it at 96 DPI, at the
// screen's DPI.
LONG HeightForDialog(LONG height, int dpi) {
    if (dpi == kBaseDpi)
        return height;
    if (height >= 0)  // a cell height
        return MulDiv(height, dpi, kBaseDpi);
    return -MulDiv(MulDiv(-height, 72, kBaseDpi), dpi, 72);
}

// The dialog's choice back at 96 DPI: from the size it reports in tenths of a point,
// which is the size the user chose whatever the scale.
LONG HeightFromDialog(const CHOOSEFONTA& dialog, int dpi) {
    const LONG height = dialog.lpLogFont->lfHeight;
    if (dpi == kBaseDpi)
        return height;
    if (height < 0 && dialog.iPointSize > 0)
        return -MulDiv(dialog.iPointSize, kBaseDpi, 720);
    return MulDiv(height, kBaseDpi, dpi);
}

}  // namespace

void UseStyleDialogs(ChooseFontCall chooseFont, ChooseColorCall chooseColor) {
    chooseFontCall = chooseFont ? chooseFont : ChooseFontA;
    chooseColorCall = chooseColor ? chooseColor : ChooseColorA;
}

void InitTextStyles() {
    SetDefaultFont(FolderStyle.font, FW_BOLD);
    SetDefaultFont(ItemStyle.font, FW_NORMAL);
    FolderStyle.colour = 0;
    ItemStyle.colour = 0;
    std::memset(&FontDialogRecord, 0, sizeof FontDialogRecord);
    FontDialogRecord.lStructSize = sizeof FontDialogRecord;
}

void BuildCharFormat(TextStyle& style) {
    CHARFORMATA& f = style.format;
    const LOGFONTA& font = style.font;
    f.dwEffects = 0;
    if (font.lfWeight == FW_BOLD)
        f.dwEffects |= CFE_BOLD;
    if (font.lfItalic)
        f.dwEffects |= CFE_ITALIC;
    if (font.lfUnderline)
        f.dwEffects |= CFE_UNDERLINE;
    if (font.lfStrikeOut)
        f.dwEffects |= CFE_STRIKEOUT;
    f.yHeight = HeightInTwips(font.lfHeight);
    f.yOffset = 0;
    f.crTextColor = style.colour;
    f.bCharSet = font.lfCharSet;
    f.bPitchAndFamily = font.lfPitchAndFamily;
    // The face comes from the dialog; read no further than its own 32 bytes, even
    // when they hold no terminating zero.
    size_t faceLength = strnlen(font.lfFaceName, sizeof font.lfFaceName);
    if (faceLength >= sizeof f.szFaceName)
        faceLength = sizeof f.szFaceName - 1;
    std::memcpy(f.szFaceName, font.lfFaceName, faceLength);
    f.szFaceName[faceLength] = '\0';
}

void ApplyTextStyle(TextStyle& style) {
    FontDialogRecord.hwndOwner = StyleDialogOwner;
    FontDialogRecord.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
    FontDialogRecord.rgbColors = style.colour;
    FontDialogRecord.lpLogFont = &style.font;
    if (FontDialogGate != 0) {
        // The dialog writes straight into the style's font: keep a copy, so that a
        // cancelled dialog leaves the style exactly as it was.
        LOGFONTA before = style.font;
        const int dpi = ScreenDpi();
        style.font.lfHeight = HeightForDialog(before.lfHeight, dpi);
        if (!chooseFontCall(&FontDialogRecord)) {
            style.font = before;
            return;
        }
        style.font.lfHeight = HeightFromDialog(FontDialogRecord, dpi);
    }
    style.colour = FontDialogRecord.rgbColors;
    BuildCharFormat(style);
}

void PickColour(COLORREF& colour) {
    CHOOSECOLORA request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = StyleDialogOwner;
    request.rgbResult = colour;
    request.lpCustColors = CustomColours;
    request.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
    // Only an accepted dialog changes the colour: a cancelled or failed one keeps it
    // whatever it left in the record.
    if (chooseColorCall(&request))
        colour = request.rgbResult;
}

void SetUpTextStyles(HWND owner) {
    StyleDialogOwner = owner;
    FolderStyle.format.cbSize = sizeof(CHARFORMATA);
    FolderStyle.format.dwMask = kStyleFormatMask;
    ItemStyle.format.cbSize = sizeof(CHARFORMATA);
    ItemStyle.format.dwMask = kStyleFormatMask;
    InitTextStyles();
    ApplyTextStyle(FolderStyle);
    ApplyTextStyle(ItemStyle);
    FontDialogGate += 1;
}
