// Reading the text and the character formats out of a Rich Text Format document in one
// pass, as the page layout reads the listing pane's stream-out.
#include <gtest/gtest.h>

#include "output/rtf_runs.h"

namespace {

// The code pages of these tests' documents: 1252 taken as Latin-1, and 932's two-byte
// form of one character.
void TestDecoder(unsigned codePage, const char* bytes, size_t count, std::u16string& out) {
    if (codePage == 932 && count == 2 && bytes[0] == '\x93' && bytes[1] == '\xfa') {
        out += u'\x65E5';
        return;
    }
    for (size_t i = 0; i < count; ++i)
        out += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]));
}

RtfDocument Read(const std::string& rtf) {
    RtfDocument document;
    EXPECT_TRUE(ReadRtfRuns(rtf.data(), rtf.size(), TestDecoder, document)) << rtf;
    return document;
}

// Each run as "text|format index", to compare in one go.
std::vector<std::string> Runs(const RtfDocument& document) {
    std::vector<std::string> runs;
    size_t expected = 0;
    for (const RtfRun& run : document.runs) {
        EXPECT_EQ(run.start, expected) << "runs leave no gap";
        expected = run.end;
        std::string text;
        for (size_t i = run.start; i < run.end; ++i) {
            char16_t c = document.text[i];
            text += c < 0x80 ? std::string(1, static_cast<char>(c)) : "<" + std::to_string(c) + ">";
        }
        runs.push_back(text + "|" + std::to_string(run.format));
    }
    EXPECT_EQ(expected, document.text.size());
    return runs;
}

TEST(RtfRuns, ReadsTheControlsUtf8FlavourWithBothStyles) {
    // As the pane streams out a listing: heading bold in colour 1, items in colour 2,
    // names beyond ASCII as raw UTF-8, and the pane's closing paragraph mark.
    const std::string rtf =
        "{\\urtf\\deff0\\deflang1033\\deflangfe1033{\\fonttbl{\\f0\\fcharset0 MS Sans Serif;}"
        "{\\f1\\fcharset0 System;}}\r\n"
        "{\\colortbl;\\red192\\green0\\blue0;\\red0\\green0\\blue160;}\r\n"
        "{\\*\\generator Wine Riched20 2.0;}\r\n"
        "\\pard\\sl-240\\slmult1 \\b\\cf1\\lang1033\\fs19\\f0 \\par\r\n"
        "    Folder 1\\b0\\cf2 \\par\r\n"
        "caf\xC3\xA9 \xE6\x97\xA5 \xF0\x9F\x8E\xB5 \\{x\\}\\\\y\\tab z\\b\\cf0\\fs18\\f1 \\par\r\n"
        "} ";
    RtfDocument document = Read(rtf);
    EXPECT_EQ(Runs(document),
              (std::vector<std::string>{"\r    Folder 1|0",
                                        "\rcaf<233> <26085> <55356><57269> {x}\\y\tz|1", "\r|2"}));
    ASSERT_EQ(document.formats.size(), 3u);
    const RtfFormat& heading = document.formats[0];
    EXPECT_EQ(heading.face, "MS Sans Serif");
    EXPECT_EQ(heading.halfPoints, 19);
    EXPECT_TRUE(heading.bold);
    EXPECT_EQ(heading.colour, 0x0000C0);
    const RtfFormat& item = document.formats[1];
    EXPECT_FALSE(item.bold);
    EXPECT_EQ(item.colour, 0xA00000);
    EXPECT_EQ(document.formats[2].face, "System");
    EXPECT_EQ(document.formats[2].colour, -1) << "\\cf0 is the automatic colour";
}

TEST(RtfRuns, ReadsStandardRtfEscapesGroupsAndPlain) {
    const std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
        "{\\f1\\fnil\\fcharset128 MS Gothic;}}{\\stylesheet{\\s0 Normal;}}"
        "{\\info{\\title hidden}}\\uc1\\f0\\fs20 "
        "caf\\'e9 \\u345?ak{\\i\\ul it\\ulnone al}\\strike x\\strike0 "
        "{\\f1\\'93\\'fa}\\u-10179\\'3f\\u-8704\\'3f{\\*\\unknown skipped}"
        "\\line\\plain p\\par}";
    RtfDocument document = Read(rtf);
    EXPECT_EQ(Runs(document),
              (std::vector<std::string>{"caf<233> <345>ak|0", "it|1", "al|2", "x|3", "<26085>|4",
                                        "<55357><56832>\v|0", "p\r|5"}));
    ASSERT_EQ(document.formats.size(), 6u);
    EXPECT_EQ(document.formats[0].halfPoints, 20);
    EXPECT_TRUE(document.formats[1].italic && document.formats[1].underline);
    EXPECT_TRUE(document.formats[2].italic && !document.formats[2].underline);
    EXPECT_TRUE(document.formats[3].strike);
    EXPECT_EQ(document.formats[4].face, "MS Gothic");
    EXPECT_EQ(document.formats[4].charset, 128);
    EXPECT_EQ(document.formats[5].halfPoints, 24) << "\\plain goes back to 12 points";
    EXPECT_EQ(document.formats[5].face, "Arial") << "... in the default font";
}

TEST(RtfRuns, BadInputEndsQuietly) {
    RtfDocument document;
    EXPECT_FALSE(ReadRtfRuns("plain text", 10, TestDecoder, document));
    EXPECT_TRUE(document.text.empty());

    // Deep nesting, cut escapes, an endless number, an unknown charset, a \bin longer
    // than the rest, braces that do not balance.
    std::string deep =
        "{\\rtf1 " + std::string(100000, '{') + "a" + std::string(100000, '}') + "b}";
    EXPECT_EQ(Read(deep).text, u"ab");
    EXPECT_EQ(Read("{\\rtf1 x\\'4").text, u"x4");
    EXPECT_EQ(Read("{\\rtf1 \\fs" + std::string(5000, '9') + " y\\u99999999999 ?z}").text,
              u"y\xCA00z");
    EXPECT_EQ(Read("{\\rtf1 a\\bin999999 bcd}").text, u"a");
    EXPECT_EQ(Read("{\\rtf1 a}}}b{c").text, u"a");
    EXPECT_EQ(Read("{\\urtf \xFF\xC3(\xE6\x97}").text, u"\xFFFD\xFFFD(\xFFFD\xFFFD");
}

}  // namespace
