// Bounded copies into fixed-size text buffers.
#include <gtest/gtest.h>

#include <cstring>

#include "base/bounded_text.h"

namespace {

TEST(BoundedText, CopiesWholeTextsAndCutsLongOnesWithoutOverrun) {
    char buffer[8];
    std::memset(buffer, 'X', sizeof buffer);
    EXPECT_TRUE(CopyText(buffer, sizeof buffer, "abc"));
    EXPECT_STREQ(buffer, "abc");
    EXPECT_TRUE(AppendText(buffer, sizeof buffer, "defg"));
    EXPECT_STREQ(buffer, "abcdefg");
    EXPECT_FALSE(AppendText(buffer, sizeof buffer, "h"));
    EXPECT_STREQ(buffer, "abcdefg");
    EXPECT_FALSE(CopyText(buffer, sizeof buffer, "0123456789"));
    EXPECT_STREQ(buffer, "0123456");
}

TEST(BoundedText, AnUnterminatedBufferIsRepairedNotOverrun) {
    char buffer[4] = {'a', 'b', 'c', 'd'};
    EXPECT_FALSE(AppendText(buffer, sizeof buffer, "e"));
    EXPECT_STREQ(buffer, "abc");
}

TEST(BoundedText, Utf8CutsNeverSplitACharacter) {
    char buffer[6];
    // "a" then e-acute (2 bytes) then a 3-byte and a 4-byte character.
    EXPECT_FALSE(CopyText(buffer, sizeof buffer, "a\xC3\xA9\xE6\x97\xA5", true));
    EXPECT_STREQ(buffer, "a\xC3\xA9");
    char four[5];
    EXPECT_FALSE(CopyText(four, sizeof four, "\xF0\x9F\x8E\xB5x", true));
    EXPECT_STREQ(four, "\xF0\x9F\x8E\xB5");
    char cut[4];
    EXPECT_FALSE(CopyText(cut, sizeof cut, "\xF0\x9F\x8E\xB5", true));
    EXPECT_STREQ(cut, "");
}

TEST(BoundedText, TrimLeavesCompleteTextAlone) {
    char text[] = "caf\xC3\xA9";
    TrimPartialUtf8(text);
    EXPECT_STREQ(text, "caf\xC3\xA9");
    char partial[] = "caf\xC3";
    TrimPartialUtf8(partial);
    EXPECT_STREQ(partial, "caf");
    char empty[] = "";
    TrimPartialUtf8(empty);
    EXPECT_STREQ(empty, "");
}

}  // namespace
