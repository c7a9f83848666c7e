// Text between the program's 8-bit strings (the ANSI code page, UTF-8 under the
// program's manifest) and the system's UTF-16, whose handling Windows documents for
// every code page: conversions, and upper and lower case through UTF-16 into a
// string that may grow or shrink.
#pragma once
#include <windows.h>

#include <string>

// text (length bytes, or up to its zero when length is -1) in UTF-16; empty when it
// cannot be converted.
std::wstring WideFromAnsi(const char* text, int length = -1);
// The UTF-16 text in the ANSI code page; empty when it cannot be converted.
std::string AnsiFromWide(const wchar_t* text, int length = -1);

// Converts UTF-16 into an 8-bit buffer of capacity bytes (zero included); false, with
// the buffer empty, when it does not fit or cannot be converted.
bool AnsiFromWideInto(const wchar_t* text, char* buffer, int capacity);

// text in upper or lower case, letter by letter as the system's UTF-16 case tables
// map them. A letter whose other case is spelled with more or fewer bytes (dotless
// i, the long s, the Kelvin sign) comes out whole.
std::string UpperCase(const char* text);
std::string LowerCase(const char* text);
