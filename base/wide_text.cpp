#include "base/wide_text.h"

namespace {

std::string ConvertedCase(const char* text, bool upper) {
    std::wstring wide = WideFromAnsi(text);
    if (wide.empty())
        return text;
    const DWORD units = static_cast<DWORD>(wide.size());
    if (upper)
        CharUpperBuffW(&wide[0], units);
    else
        CharLowerBuffW(&wide[0], units);
    return AnsiFromWide(wide.c_str(), static_cast<int>(wide.size()));
}

}  // namespace

std::wstring WideFromAnsi(const char* text, int length) {
    if (length == 0 || (length < 0 && text[0] == '\0'))
        return std::wstring();
    const int units = MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
    if (units <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, length, &wide[0], units);
    if (length < 0)
        wide.resize(wide.size() - 1);  // the converted zero
    return wide;
}

std::string AnsiFromWide(const wchar_t* text, int length) {
    if (length == 0 || (length < 0 && text[0] == L'\0'))
        return std::string();
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return std::string();
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, length, &out[0], bytes, nullptr, nullptr);
    if (length < 0)
        out.resize(out.size() - 1);
    return out;
}

bool AnsiFromWideInto(const wchar_t* text, char* buffer, int capacity) {
    if (capacity <= 0)
        return false;
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, capacity, nullptr, nullptr);
    if (bytes <= 0) {
        buffer[0] = '\0';
        return false;
    }
    return true;
}

std::string UpperCase(const char* text) {
    return ConvertedCase(text, true);
}

std::string LowerCase(const char* text) {
    return ConvertedCase(text, false);
}
