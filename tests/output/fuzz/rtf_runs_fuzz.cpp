// Fuzz target for reading the runs of a Rich Text Format document. Whatever the bytes,
// the result keeps the rules written out here: the runs cover the text in order
// without gaps, neighbours differ in format, every format is named once and used, and
// the text is never longer than the input (each character costs at least one byte).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "output/rtf_runs.h"

namespace {

void Require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "rtf runs rule broken: %s\n", what);
        std::abort();
    }
}

// A code page decoder that gives one character per byte, as single-byte pages do.
void ByteDecoder(unsigned, const char* bytes, size_t count, std::u16string& out) {
    for (size_t i = 0; i < count; ++i)
        out += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RtfDocument document;
    bool read = ReadRtfRuns(reinterpret_cast<const char*>(data), size, ByteDecoder, document);
    if (!read) {
        Require(document.text.empty() && document.runs.empty(), "a refused input gives nothing");
        return 0;
    }
    Require(document.text.size() <= size, "the text is no longer than the input");
    std::vector<bool> used(document.formats.size(), false);
    size_t at = 0;
    for (size_t i = 0; i < document.runs.size(); ++i) {
        const RtfRun& run = document.runs[i];
        Require(run.start == at && run.end > run.start, "runs cover the text in order");
        Require(run.format < document.formats.size(), "a run's format exists");
        Require(i == 0 || document.runs[i - 1].format != run.format, "neighbours differ");
        used[run.format] = true;
        at = run.end;
    }
    Require(at == document.text.size(), "runs reach the end of the text");
    for (size_t i = 0; i < document.formats.size(); ++i) {
        Require(used[i], "every format is used");
        for (size_t j = 0; j < i; ++j)
            Require(!(document.formats[i] == document.formats[j]), "formats are named once");
    }
    return 0;
}
