// The display scale a test program runs at: 96 DPI unless it was started through
// tools/wine/at-dpi.sh, which sets KELVORA_TEST_DPI with the prefix's DPI.
#pragma once
#include <windows.h>

#include <cstdlib>

inline int TestDpi() {
    const char* dpi = std::getenv("KELVORA_TEST_DPI");
    return dpi && std::atoi(dpi) > 0 ? std::atoi(dpi) : 96;
}

// A length of 96 DPI pixels at the test's DPI.
inline int AtTestDpi(int pixels) {
    return MulDiv(pixels, TestDpi(), 96);
}
