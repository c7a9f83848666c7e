// The listing filter in force ("*." + one extension) and its place in the Options
// dialog's list.
#pragma once
#include <cstdint>

constexpr int kFilterCapacity = 50;
constexpr int kMaxExtensionLength = 47;

extern char CurrentFilter[kFilterCapacity];
extern int32_t FilterIndex;
