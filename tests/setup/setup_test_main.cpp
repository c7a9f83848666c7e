// Entry point of the set-up tests.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

const char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kUserShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char kWineDesktop[] = "%USERPROFILE%\\Desktop";
const char kTestDesktop[] = "%USERPROFILE%\\kelvora-tests-desktop";

bool UnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Wine mirrors every saved shortcut into the host's menus through winemenubuilder.
// Child processes inherit the setting.
void KeepShortcutsOutOfTheHostMenus() {
    char current[1024] = "";
    DWORD length = GetEnvironmentVariableA("WINEDLLOVERRIDES", current, sizeof(current));
    std::string overrides = length < sizeof(current) ? current : "";
    if (!overrides.empty())
        overrides += ";";
    overrides += "winemenubuilder.exe=d";
    SetEnvironmentVariableA("WINEDLLOVERRIDES", overrides.c_str());
}

std::string ReadUserValue(const char* key, const char* name) {
    char value[MAX_PATH + 1] = "";
    DWORD size = sizeof(value) - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, key, name,
                     RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, value,
                     &size) != ERROR_SUCCESS) {
        return "";
    }
    return value;
}

void WriteUserValue(const char* key, const char* name, DWORD type, const std::string& value) {
    HKEY handle;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(handle, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(handle);
}

std::string Expand(const std::string& text) {
    char expanded[MAX_PATH + 1] = "";
    DWORD length = ExpandEnvironmentStringsA(text.c_str(), expanded, sizeof(expanded));
    return length > 0 && length <= sizeof(expanded) ? expanded : "";
}

// A new Wine prefix links the user's desktop to the host's home folder. The tests write
// shortcuts on the desktop, so for their run it is a folder inside the prefix.
class PrefixDesktop {
public:
    PrefixDesktop() {
        savedUser_ = ReadUserValue(kUserShellFoldersKey, "Desktop");
        // Left over from a run that did not get to put it back.
        if (savedUser_.empty() || savedUser_ == kTestDesktop)
            savedUser_ = kWineDesktop;
        folder_ = Expand(kTestDesktop);
        if (folder_.empty())
            return;
        CreateDirectoryA(folder_.c_str(), nullptr);
        WriteUserValue(kUserShellFoldersKey, "Desktop", REG_EXPAND_SZ, kTestDesktop);
        WriteUserValue(kShellFoldersKey, "Desktop", REG_SZ, folder_);
    }
    ~PrefixDesktop() {
        if (folder_.empty())
            return;
        WriteUserValue(kUserShellFoldersKey, "Desktop", REG_EXPAND_SZ, savedUser_);
        WriteUserValue(kShellFoldersKey, "Desktop", REG_SZ, Expand(savedUser_));
        RemoveDirectoryA(folder_.c_str());
    }
    PrefixDesktop(const PrefixDesktop&) = delete;
    PrefixDesktop& operator=(const PrefixDesktop&) = delete;

private:
    std::string savedUser_;
    std::string folder_;
};

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (!UnderWine())
        return RUN_ALL_TESTS();
    KeepShortcutsOutOfTheHostMenus();
    PrefixDesktop desktop;
    return RUN_ALL_TESTS();
}
