#pragma once
// The wizard's whole download sequence against the scripted loopback server of the HTTP tests:
// pages 1 to 3 in English into a scratch directory, then Install, which returns once the
// download and the finishing steps are over. A test program using it gives the sequence its
// server with: const char* DownloadServer() { return g_downloadServer.c_str(); }
#include "WizardFixture.h"
#include "app/cache/DownloadCache.h"
#include "tests/app/install/finish_fixture.h"
#include "tests/net/http/CaseServer.h"

#include <string>

inline std::string g_downloadServer = "127.0.0.1:1";

// The four files in the order the download asks for them, after the release manifest and its
// signature, which every test serves as the build published them.
inline const char* const kFiles[] = {"quorvane.exe", "quorvane.ini", "miseajour.exe", "uninstall.exe"};
inline const char* const kManifestFiles[] = {"release.manifest", "release.manifest.sig"};
inline std::string PathOf(const std::string& file) { return "/download/lite/" + file; }
// The files as this build published them, which its signed manifest lists: anything else is refused.
inline std::string Product(const std::string& file) { return installtest::ProductFileBytes(file); }

class DownloadFixture : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        g_downloadServer = "localhost:" + std::to_string(server.Port());  // as the cases name it
        ui::Application::Instance().ErrorHook = [this](const std::string& message) { errors.push_back(message); };
        installtest::RemoveInstallation(install::ReadProgramsPath(), install::ReadDesktopPath());
        for (const char* file : kManifestFiles) server.Serve(PathOf(file), Product(file));
    }
    void TearDown() override {
        install::TestRegistryFaults() = {};
        ui::Application::Instance().ErrorHook = nullptr;
        server.Finish();
        WizardTest::TearDown();
        installtest::RemoveInstallation(install::ReadProgramsPath(), install::ReadDesktopPath());
    }

    void ServeAll() {
        for (const char* file : kFiles) server.Serve(PathOf(file), Product(file));
    }

    // `ready` runs just before the Install click. Unless `realBackOffs`, the retries of a file
    // pause only briefly: the cases asking for them test the real ones.
    TfInstall& Install(const std::function<void(TfInstall&)>& ready = {}) {
        TfInstall& f = Start(kEnglish);
        if (!realBackOffs) f.Download.BackOffMs = {20, 20};
        ToDirectoryPage();
        Type(f.TxtDir, dir.Path());
        f.DataFolder = data.Path() + "Quorvane\\";  // a cache of this test's own, empty
        if (ready) ready(f);
        const ULONGLONG start = GetTickCount64();
        Click(f.BtnNext);
        elapsedMs = GetTickCount64() - start;
        return f;
    }

    // An earlier installation's files in the directory, which a failed run must leave as they are.
    void EarlierInstallation() {
        for (const char* file : kFiles) testsupport::WriteWholeFile(dir.Path() + file, std::string("old ") + file);
        earlier = true;
    }

    // Stopped on page 4 with only Cancel usable, soon, with an error shown, and nothing
    // installed: no new file, shortcut or registry value, the directory as it was.
    void ExpectNothingInstalled(const TfInstall& f, const std::string& what = "") {
        EXPECT_FALSE(errors.empty()) << what << ": no error shown";
        EXPECT_EQ(Page(), 4) << what;
        EXPECT_EQ(Buttons(), "--C") << what;
        EXPECT_EQ(f.InstallDone, 0) << what;
        ExpectNoNewFiles(what);
        EXPECT_EQ(installtest::ReadRegString(HKEY_LOCAL_MACHINE, install::kLocationKey, install::kLocationValue),
                  "<missing>")
            << what;
        EXPECT_LT(elapsedMs, 15000u) << what;
        ExpectDownloadFolderGone(f, what);
    }

    // The directory as it was (the earlier installation's files, or none), no shortcut, no
    // uninstall entry.
    void ExpectNoNewFiles(const std::string& what = "") {
        for (const char* file : kFiles)
            EXPECT_EQ(testsupport::ReadWholeFile(dir.Path() + file), earlier ? std::string("old ") + file : "<missing>")
                << what;
        EXPECT_FALSE(testsupport::Exists(install::ReadProgramsPath() + "Quorvane")) << what;
        EXPECT_FALSE(testsupport::Exists(install::ReadDesktopPath() + "\\Quorvane Basic.Lnk")) << what;
        EXPECT_EQ(installtest::ReadRegString(HKEY_LOCAL_MACHINE, installtest::kUninstallKeys[1], "DisplayName"),
                  "<missing>")
            << what;
    }

    void ExpectInstalled(const TfInstall& f) {
        EXPECT_TRUE(errors.empty()) << errors.front();
        EXPECT_EQ(f.InstallDone, 1);
        for (const char* file : kFiles)
            EXPECT_TRUE(testsupport::ReadWholeFile(dir.Path() + file) == Product(file)) << file;
        EXPECT_EQ(f.DownloadDir, data.Path() + "Quorvane\\Cache\\");
        ExpectDownloadFolderGone(f, "installed");
    }

    // A run's own folder under the temporary path is removed whatever the outcome; the download
    // cache is emptied by a successful installation and keeps what a failed one left to continue.
    void ExpectDownloadFolderGone(const TfInstall& f, const std::string& what) {
        if (f.DownloadDir.empty()) return;  // stopped before the folder was made
        if (f.DownloadDir.rfind(f.TempPath + "Quorvane-", 0) == 0) {
            EXPECT_FALSE(testsupport::Exists(f.DownloadDir)) << what << ": " << f.DownloadDir;
        } else if (f.InstallDone == 1) {
            EXPECT_EQ(CachedFiles(), "") << what;
        }
    }

    // What an earlier run left of `file` in this test's download cache.
    void Keep(const release::TReleaseFile& file, const std::string& bytes) {
        cache::DownloadCache earlier(data.Path() + "Quorvane\\", install::RightsForThisRun(), {file},
                                     testsupport::TempFolder());
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(earlier.Hold(file).Handle(), bytes.data(), DWORD(bytes.size()), &written, nullptr));
    }

    // The names in the download cache.
    std::string CachedFiles() const {
        std::string names;
        WIN32_FIND_DATAW found{};
        HANDLE find = FindFirstFileW(encoding::WidenPath(data.Path() + "Quorvane\\Cache\\*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return names;
        do {
            if (found.cFileName[0] != L'.') names += encoding::NarrowPath(found.cFileName) + " ";
        } while (FindNextFileW(find, &found));
        FindClose(find);
        return names;
    }

    httptest::TCaseServer server;
    testsupport::TemporaryFolder dir{"wizard-download"};
    testsupport::TemporaryFolder data{"wizard-data"};
    std::vector<std::string> errors;
    ULONGLONG elapsedMs = 0;
    bool realBackOffs = false;
    bool earlier = false;  // EarlierInstallation() was called
};
