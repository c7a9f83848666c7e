// What KelvoraSetUp.exe carries as resources: the program's icon and its manifest.
#include "setup_test_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

const WORD kSetUpIcon = 100;
// CREATEPROCESS_MANIFEST_RESOURCE_ID: the manifest the loader reads for a program.
const WORD kProcessManifest = 1;

class Module {
public:
    explicit Module(const std::string& path)
        : handle_(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~Module() {
        if (handle_)
            FreeLibrary(handle_);
    }
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;
    HMODULE Handle() const { return handle_; }

private:
    HMODULE handle_;
};

std::string ResourceBytes(HMODULE module, LPCSTR name, LPCSTR type) {
    HRSRC found = FindResourceA(module, name, type);
    if (!found)
        return "";
    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data)
        return "";
    return std::string(static_cast<const char*>(data), SizeofResource(module, found));
}

BOOL CALLBACK AddType(HMODULE, LPSTR type, LONG_PTR list) {
    reinterpret_cast<std::vector<ULONG_PTR>*>(list)->push_back(reinterpret_cast<ULONG_PTR>(type));
    return TRUE;
}

BOOL CALLBACK AddName(HMODULE, LPCSTR, LPSTR name, LONG_PTR list) {
    reinterpret_cast<std::vector<ULONG_PTR>*>(list)->push_back(reinterpret_cast<ULONG_PTR>(name));
    return TRUE;
}

// Resource types or names; numbers as they are, names as pointer values (never small).
std::vector<ULONG_PTR> Types(HMODULE module) {
    std::vector<ULONG_PTR> types;
    EnumResourceTypesA(module, AddType, reinterpret_cast<LONG_PTR>(&types));
    return types;
}

std::vector<ULONG_PTR> Names(HMODULE module, LPCSTR type) {
    std::vector<ULONG_PTR> names;
    EnumResourceNamesA(module, type, AddName, reinterpret_cast<LONG_PTR>(&names));
    return names;
}

std::vector<ULONG_PTR> IconGroups(HMODULE module) {
    return Names(module, RT_GROUP_ICON);
}

// The elements inside a manifest's <windowsSettings>, each whole from its "<name" to its
// "</name>", in order.
std::vector<std::string> WindowsSettings(const std::string& manifest) {
    std::vector<std::string> elements;
    size_t open = manifest.find("<windowsSettings>");
    size_t close = manifest.find("</windowsSettings>");
    if (open == std::string::npos || close == std::string::npos)
        return elements;
    size_t at = manifest.find('<', open + 1);
    while (at < close) {
        size_t nameEnd = manifest.find_first_of(" >", at);
        std::string end = "</" + manifest.substr(at + 1, nameEnd - at - 1) + ">";
        size_t endAt = manifest.find(end, at);
        if (endAt == std::string::npos || endAt > close)
            break;
        elements.push_back(manifest.substr(at, endAt + end.size() - at));
        at = manifest.find('<', endAt + end.size());
    }
    return elements;
}

// The images of an icon group, sorted, each as its bytes.
std::vector<std::string> IconPictures(HMODULE module, LPCSTR group) {
    // Header: reserved, type, count (16 bits each); then 14-byte entries whose last
    // 16 bits are the number of the RT_ICON resource.
    const size_t kHeaderBytes = 6;
    const size_t kEntryBytes = 14;
    const size_t kIdInEntry = 12;
    std::vector<std::string> pictures;
    std::string directory = ResourceBytes(module, group, RT_GROUP_ICON);
    if (directory.size() < kHeaderBytes)
        return pictures;
    std::uint16_t count = 0;
    std::memcpy(&count, directory.data() + 4, sizeof(count));
    for (size_t i = 0; i < count; ++i) {
        size_t at = kHeaderBytes + i * kEntryBytes + kIdInEntry;
        if (at + sizeof(std::uint16_t) > directory.size())
            break;
        std::uint16_t id = 0;
        std::memcpy(&id, directory.data() + at, sizeof(id));
        pictures.push_back(ResourceBytes(module, MAKEINTRESOURCEA(id), RT_ICON));
    }
    std::sort(pictures.begin(), pictures.end());
    return pictures;
}

TEST(SetUpResources, HoldOnlyIconGroup100AndTheManifest) {
    Module setUp(ProgramFolder() + "\\KelvoraSetUp.exe");
    ASSERT_TRUE(setUp.Handle());

    std::vector<ULONG_PTR> types = Types(setUp.Handle());
    std::sort(types.begin(), types.end());
    EXPECT_EQ(types, (std::vector<ULONG_PTR>{reinterpret_cast<ULONG_PTR>(RT_ICON),
                                             reinterpret_cast<ULONG_PTR>(RT_GROUP_ICON),
                                             reinterpret_cast<ULONG_PTR>(RT_MANIFEST)}));
    EXPECT_EQ(IconGroups(setUp.Handle()), std::vector<ULONG_PTR>{kSetUpIcon});
    EXPECT_EQ(Names(setUp.Handle(), RT_MANIFEST), std::vector<ULONG_PTR>{kProcessManifest});
    EXPECT_FALSE(IconPictures(setUp.Handle(), MAKEINTRESOURCEA(kSetUpIcon)).empty());
}

TEST(SetUpResources, IconHasTheMainProgramsPictures) {
    std::string mainProgram = ProgramFolder() + "\\Kelvora.exe";
    ASSERT_TRUE(FileExists(mainProgram)) << "no " << mainProgram << " in this build";
    Module setUp(ProgramFolder() + "\\KelvoraSetUp.exe");
    Module kelvora(mainProgram);
    ASSERT_TRUE(setUp.Handle());
    ASSERT_TRUE(kelvora.Handle());
    // The program's own icon is its first icon group.
    std::vector<ULONG_PTR> groups = IconGroups(kelvora.Handle());
    ASSERT_FALSE(groups.empty());
    std::vector<std::string> expected =
        IconPictures(kelvora.Handle(), reinterpret_cast<LPCSTR>(groups.front()));

    std::vector<std::string> pictures = IconPictures(setUp.Handle(), MAKEINTRESOURCEA(kSetUpIcon));

    ASSERT_FALSE(expected.empty());
    EXPECT_TRUE(pictures == expected)
        << pictures.size() << " pictures, expected " << expected.size();
}

TEST(SetUpResources, ManifestHasTheMainProgramsSettingsAndDpiAwareness) {
    std::string mainProgram = ProgramFolder() + "\\Kelvora.exe";
    ASSERT_TRUE(FileExists(mainProgram)) << "no " << mainProgram << " in this build";
    Module setUp(ProgramFolder() + "\\KelvoraSetUp.exe");
    Module kelvora(mainProgram);
    ASSERT_TRUE(setUp.Handle());
    ASSERT_TRUE(kelvora.Handle());
    const LPCSTR id = MAKEINTRESOURCEA(kProcessManifest);

    std::vector<std::string> expected =
        WindowsSettings(ResourceBytes(kelvora.Handle(), id, RT_MANIFEST));
    std::vector<std::string> settings =
        WindowsSettings(ResourceBytes(setUp.Handle(), id, RT_MANIFEST));

    ASSERT_FALSE(expected.empty());
    EXPECT_THAT(expected,
                testing::Contains("<activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/"
                                  "WindowsSettings\">UTF-8</activeCodePage>"));
    for (const std::string& element : expected)
        EXPECT_THAT(settings, testing::Contains(element));
    // Per-monitor v2 where Windows 10 (1703 on) knows it, system-wide DPI before that.
    EXPECT_THAT(settings,
                testing::Contains("<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/"
                                  "WindowsSettings\">PerMonitorV2</dpiAwareness>"));
    EXPECT_THAT(settings, testing::Contains("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/"
                                            "2005/WindowsSettings\">true</dpiAware>"));
    // The main program's own: DPI awareness too, common controls 6 and the Windows
    // versions it was made for, from 7 to 10 and 11.
    const std::string manifest = ResourceBytes(kelvora.Handle(), id, RT_MANIFEST);
    EXPECT_THAT(expected,
                testing::Contains("<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/"
                                  "WindowsSettings\">PerMonitorV2</dpiAwareness>"));
    EXPECT_THAT(expected, testing::Contains("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/"
                                            "2005/WindowsSettings\">true</dpiAware>"));
    EXPECT_NE(manifest.find("<assemblyIdentity type=\"win32\" "
                            "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" "
                            "processorArchitecture=\"*\" publicKeyToken=\"6595b64144ccf1df\" "
                            "language=\"*\"/>"),
              std::string::npos);
    for (const char* os : {"8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a",     // 10 and 11
                           "1f676c76-80e1-4239-95bb-83d0f6d0da78",     // 8.1
                           "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",     // 8
                           "35138b9a-5d96-4fbd-8e2d-a2440225f93a"}) {  // 7
        EXPECT_NE(manifest.find(std::string("<supportedOS Id=\"{") + os + "}\"/>"),
                  std::string::npos)
            << os;
    }
}

}  // namespace
