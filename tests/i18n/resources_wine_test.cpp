// Install.exe's resources as Windows itself loads them from a program that links
// quorvane_resources: this test program carries the very same .rc.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>

#include "resources/resource.h"
#include "tests/support/WholeFile.h"

namespace {

std::string ResourceBytes(int id, LPCSTR type) {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), type);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(nullptr, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return {};
    return std::string(static_cast<const char*>(data), SizeofResource(nullptr, found));
}

// windres must copy the texts byte for byte: no CR LF translation, no recoding, no added zero.
TEST(ResourcesWine, LicenceTextsAreTheCommittedFilesByteForByte) {
    const std::pair<int, const char*> texts[] = {{IDR_LICENSE_BASIC_FR, "licences/basic-fr.txt"},
                                                 {IDR_LICENSE_BASIC_EN, "licences/basic-en.txt"},
                                                 {IDR_LICENSE_GENERAL_EN, "licences/general-en.txt"},
                                                 {IDR_LICENSE_PRO_FR, "licences/professional-fr.txt"},
                                                 {IDR_LICENSE_ENTERPRISE_FR, "licences/enterprise-fr.txt"}};
    for (const auto& [id, file] : texts) {
        SCOPED_TRACE(file);
        const std::string loaded = ResourceBytes(id, MAKEINTRESOURCEA(10) /* RT_RCDATA */);
        ASSERT_FALSE(loaded.empty());
        EXPECT_EQ(loaded, testsupport::ReadWholeFile(std::string(QUORVANE_RESOURCES_DIR) + "/" + file));
    }
}

TEST(ResourcesWine, LogoLoadsAs49By57With24BitsPerPixel) {
    HBITMAP ddb = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_LOGO));
    ASSERT_NE(ddb, nullptr);
    BITMAP info{};
    ASSERT_NE(GetObjectA(ddb, sizeof info, &info), 0);
    EXPECT_EQ(info.bmWidth, 49);
    EXPECT_EQ(info.bmHeight, 57);
    DeleteObject(ddb);

    // LoadBitmap converts to the screen's format; a DIB section keeps the resource's own depth.
    auto dib = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_LOGO), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(dib, nullptr);
    DIBSECTION section{};
    ASSERT_NE(GetObjectA(dib, sizeof section, &section), 0);
    EXPECT_EQ(section.dsBmih.biWidth, 49);
    EXPECT_EQ(section.dsBmih.biHeight, 57);
    EXPECT_EQ(section.dsBmih.biBitCount, 24);
    DeleteObject(dib);
}

TEST(ResourcesWine, IconLoadsAtEachSize) {
    HICON standard = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_INSTALL));
    ASSERT_NE(standard, nullptr);  // shared icon: never destroyed
    for (int size : {16, 32, 48}) {
        SCOPED_TRACE(size);
        auto icon = static_cast<HICON>(
            LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_INSTALL), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr);
        ICONINFO parts{};
        ASSERT_TRUE(GetIconInfo(icon, &parts));
        BITMAP colour{};
        GetObjectA(parts.hbmColor, sizeof colour, &colour);
        EXPECT_EQ(colour.bmWidth, size);
        EXPECT_EQ(colour.bmHeight, size);
        DeleteObject(parts.hbmColor);
        DeleteObject(parts.hbmMask);
        DestroyIcon(icon);
    }
}

TEST(ResourcesWine, ManifestAsksForAdministratorCommonControls6AndPerMonitorDpi) {
    const std::string manifest = ResourceBytes(1, MAKEINTRESOURCEA(24) /* RT_MANIFEST */);
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    // Per-monitor DPI: v2 from Windows 10 1703, v1 on 8.1 (true/pm). The text is what can be
    // checked: Wine reported per-monitor awareness under the former system-aware manifest too.
    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos);
    EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);
}

// The loader reads the manifest at process start: when it has parsed it, "comctl32.dll" resolves
// to the version 6 assembly in WinSxS instead of the version 5 library in system32. (Wine's
// DllGetVersion says 5.81 for both, so the path is the reliable sign, on Windows too.)
TEST(ResourcesWine, ManifestActivatesCommonControls6) {
    HMODULE comctl = LoadLibraryA("comctl32.dll");
    ASSERT_NE(comctl, nullptr);
    char path[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameA(comctl, path, MAX_PATH), 0u);
    EXPECT_NE(std::string(CharLowerA(path)).find("\\winsxs\\"), std::string::npos) << path;
    FreeLibrary(comctl);
}

std::string VersionValue(const std::string& block, const std::string& path) {
    UINT length = 0;
    void* value = nullptr;
    if (!VerQueryValueA(block.data(), path.c_str(), &value, &length) || !value) return "<missing>";
    return std::string(static_cast<const char*>(value));
}

TEST(ResourcesWine, VersionNamesTheProductInFrenchCanada1252) {
    char path[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    ASSERT_NE(size, 0u);
    std::string block(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));

    WORD* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(
        VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation[0], 0x0C0C);
    EXPECT_EQ(translation[1], 1252);

    const std::string strings = "\\StringFileInfo\\0C0C04E4\\";
    EXPECT_EQ(VersionValue(block, strings + "ProductName"), "Quorvane");
    EXPECT_EQ(VersionValue(block, strings + "CompanyName"), "Quorvane");
    EXPECT_EQ(VersionValue(block, strings + "FileDescription"), "Quorvane installation");
    EXPECT_EQ(VersionValue(block, strings + "OriginalFilename"), "Install.exe");
    EXPECT_EQ(VersionValue(block, strings + "FileVersion"), "1.0.0.0");

    VS_FIXEDFILEINFO* fixed = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileType, DWORD(VFT_APP));
}

}  // namespace
