#include "settings/current_filter.h"

char CurrentFilter[kFilterCapacity] = "*.";
int32_t FilterIndex = 0;
