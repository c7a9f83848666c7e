// A test that cannot run here (no printer, no small disk) fails, unless the person
// running the tests asked to skip it by name: KELVORA_SKIP=printer,small-disks,...
#pragma once
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

// Whether KELVORA_SKIP names what.
inline bool SkipAsked(const char* what) {
    char names[512] = "";
    if (GetEnvironmentVariableA("KELVORA_SKIP", names, sizeof names) == 0)
        return false;
    const std::string list = "," + std::string(names) + ",";
    return list.find("," + std::string(what) + ",") != std::string::npos;
}

#define SKIP_ONLY_IF_ASKED(what, why)                                                  \
    do {                                                                               \
        if (SkipAsked(what))                                                           \
            GTEST_SKIP() << why;                                                       \
        FAIL() << why << " (set KELVORA_SKIP=" << what << " to skip this on purpose)"; \
    } while (0)
