// The About box's template and picture as they are linked into the program: the
// dialog code relies on the picture lying at (0, 0), filling the box, and taking no
// mouse input of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "resources/resource_ids.h"

namespace {

// Reads the fields of an extended dialog template in order.
class TemplateReader {
public:
    explicit TemplateReader(const BYTE* at) : at_(at) {}

    WORD Word() { return Take<WORD>(); }
    DWORD Dword() { return Take<DWORD>(); }
    short Short() { return Take<short>(); }
    BYTE Byte() { return Take<BYTE>(); }
    // A zero-terminated UTF-16 text of ASCII characters.
    std::string Text() {
        std::string text;
        for (WORD c = Word(); c != 0; c = Word())
            text += static_cast<char>(c);
        return text;
    }
    // A name or a number: 0xFFFF then the number, shown as "#number".
    std::string NameOrNumber() {
        WORD first = Take<WORD>();
        if (first == 0xFFFF)
            return "#" + std::to_string(Word());
        at_ -= sizeof(WORD);
        return Text();
    }
    void AlignToDword() {
        while (reinterpret_cast<uintptr_t>(at_) % 4)
            ++at_;
    }

private:
    template <typename T>
    T Take() {
        T value;
        memcpy(&value, at_, sizeof value);
        at_ += sizeof value;
        return value;
    }
    const BYTE* at_;
};

const BYTE* Resource(int id, LPCSTR type) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (!found)
        return nullptr;
    return static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
}

TEST(AboutResources, TemplateIsACentredCaptionedBoxHoldingOnlyThePicture) {
    const BYTE* data = Resource(IDD_ABOUT, RT_DIALOG);
    ASSERT_NE(data, nullptr);
    TemplateReader t(data);
    EXPECT_EQ(t.Word(), 1);       // version
    EXPECT_EQ(t.Word(), 0xFFFF);  // extended template
    t.Dword();                    // help id
    EXPECT_EQ(t.Dword(), 0u);     // extended style
    DWORD style = t.Dword();
    EXPECT_EQ(style, 0x90C00C40u);
    EXPECT_EQ(style & WS_SYSMENU, 0u);  // no close box: the picture is the whole box
    EXPECT_EQ(t.Word(), 1);             // controls
    EXPECT_EQ(t.Short(), 0);
    EXPECT_EQ(t.Short(), 0);
    EXPECT_EQ(t.Short(), 228);
    EXPECT_EQ(t.Short(), 158);
    EXPECT_EQ(t.NameOrNumber(), "");  // no menu
    EXPECT_EQ(t.NameOrNumber(), "");  // standard dialog class
    EXPECT_EQ(t.Text(), "About");
    EXPECT_EQ(t.Word(), 8);  // points
    EXPECT_EQ(t.Word(), 0);  // weight
    EXPECT_EQ(t.Byte(), 0);  // not italic
    EXPECT_EQ(t.Byte(), 1);  // character set
    EXPECT_EQ(t.Text(), "MS Sans Serif");

    t.AlignToDword();
    t.Dword();  // help id
    EXPECT_EQ(t.Dword(), 0u);
    DWORD controlStyle = t.Dword();
    EXPECT_EQ(controlStyle, 0x5000000Eu);
    EXPECT_EQ(controlStyle & SS_NOTIFY, 0u);  // clicks fall through to the dialog
    EXPECT_EQ(t.Short(), 0);
    EXPECT_EQ(t.Short(), 0);
    EXPECT_EQ(t.Short(), 227);
    EXPECT_EQ(t.Short(), 158);
    EXPECT_EQ(t.Dword(), static_cast<DWORD>(IDC_ABOUT_PICTURE));
    std::string controlClass = t.NameOrNumber();
    EXPECT_TRUE(controlClass == "#130" || _stricmp(controlClass.c_str(), "STATIC") == 0)
        << controlClass;
    EXPECT_EQ(t.NameOrNumber(), "#" + std::to_string(IDB_ABOUT_PICTURE));
}

TEST(AboutResources, PictureIs340By255In24Bits) {
    const BYTE* data = Resource(IDB_ABOUT_PICTURE, RT_BITMAP);
    ASSERT_NE(data, nullptr);
    BITMAPINFOHEADER header;
    memcpy(&header, data, sizeof header);
    EXPECT_EQ(header.biWidth, 340);
    EXPECT_EQ(header.biHeight, 255);  // bottom-up rows
    EXPECT_EQ(header.biBitCount, 24);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
}

}  // namespace
