// The rewrite of the control's UTF-8 flavour of RTF into standard RTF, whatever the
// chunks the control hands over.
#include <gtest/gtest.h>

#include "base/rtf_rewrite.h"

namespace {

std::string Rewrite(const std::string& stream, size_t chunk) {
    RtfRewrite state;
    std::string out;
    for (size_t at = 0; at < stream.size(); at += chunk) {
        size_t n = std::min(chunk, stream.size() - at);
        RewriteRtfChunk(state, reinterpret_cast<const unsigned char*>(stream.data() + at), n, out);
    }
    return out;
}

TEST(RtfRewrite, TurnsTheUtf8FlavourIntoStandardRtfWhereverTheChunksBreak) {
    // r with caron (2 bytes), the euro sign (3 bytes), a face beyond 16 bits (4 bytes).
    const std::string stream =
        "{\\urtf\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 Dvo\xC5\x99"
        "ak \xE2\x82\xAC 5 \xF0\x9F\x98\x80}";
    const std::string want =
        "{\\rtf1\\ansi\\ansicpg1252\\uc1\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 "
        "Dvo\\u345\\'3fak \\u8364\\'3f 5 \\u-10179\\'3f\\u-8704\\'3f}";
    for (size_t chunk : {stream.size(), size_t(7), size_t(2), size_t(1)})
        EXPECT_EQ(Rewrite(stream, chunk), want) << "chunks of " << chunk;
}

TEST(RtfRewrite, ABrokenSequenceBecomesOneQuestionMarkAndTakesNothingAfterIt) {
    // A lead byte before a brace, a cut sequence before a brace, an encoded surrogate,
    // a value beyond U+10FFFF and an overlong form: each byte that cannot go on with
    // its sequence is read again on its own, so no brace or text is swallowed.
    const std::string stream =
        "{\\urtf1 a\xC3{b\xE2\x82}c\xED\xA0\x80 \xF4\x90\x80\x80 \xE0\x80\x80 \xC3\xA9}";
    const std::string want = "{\\rtf1\\ansi\\ansicpg1252\\uc1 a?{b?}c??? ???? ??? \\u233\\'3f}";
    for (size_t chunk : {stream.size(), size_t(3), size_t(1)})
        EXPECT_EQ(Rewrite(stream, chunk), want) << "chunks of " << chunk;
}

TEST(RtfRewrite, LeavesStandardRtfAsItIs) {
    const std::string stream = "{\\rtf1\\ansi\\ansicpg1252 caf\\'e9 \xC5\x99}";
    EXPECT_EQ(Rewrite(stream, 3), stream);
}

}  // namespace
