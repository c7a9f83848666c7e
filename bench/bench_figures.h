// The benchmark's clock and its "name=value" figures, one line each, for bench/run.sh.
#pragma once
#include <windows.h>

#include <cstdio>

// Milliseconds on the performance counter.
inline double Now() {
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER at;
    QueryPerformanceCounter(&at);
    return static_cast<double>(at.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

inline void Print(const char* name, double value) {
    std::printf("%s=%.3f\n", name, value);
    std::fflush(stdout);
}

inline void PrintCount(const char* name, unsigned long long value) {
    std::printf("%s=%llu\n", name, value);
    std::fflush(stdout);
}
