#include "shell/long_work.h"

LongWork::LongWork() {}

LongWork::~LongWork() {}

void LongWorkProgress(const char*, long long, long long) {}
