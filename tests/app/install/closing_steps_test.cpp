// The closing steps after a completed installation, on the real settings file, registry and
// process start of the Wine prefix.
#include "finish_fixture.h"

#include "app/install/LaunchProduct.h"
#include "app/log/InstallLog.h"
#include "ui/Application.h"

using namespace installtest;

namespace {

class ClosingStepsTest : public FinishFixture {
protected:
    // A completed installation, as FinishInstall leaves it.
    void Installed(const std::string& language) {
        BeginIn(language, "Q");
        install::FinishInstall(State());
        ASSERT_EQ(InstallDone, 1);
    }
};

// The Run value only when the start with Windows is asked for, and used with the backslash
// FinishInstall added to the typed directory.
TEST_F(ClosingStepsTest, FreshSettingsFileHoldsExactlyTheTwoLinesAndRunValueOnlyWhenAsked) {
    Installed("francais");
    install::CloseInstall(State(), false, false);
    EXPECT_EQ(ReadWholeFile(SettingsFilePath()), "[Settings]\r\nlangue=francais\r\n");
    EXPECT_EQ(RunValue(), "<missing>");
    EXPECT_FALSE(Launched(300));
    install::CloseInstall(State(), true, false);
    EXPECT_EQ(RunValue(), "\"" + scratch.Path() + "Q\\Quorvane.exe\"");
}

TEST_F(ClosingStepsTest, OtherSectionsAndKeysOfAnExistingFileStay) {
    Installed("anglais");
    WriteWholeFile(SettingsFilePath(), "[Window]\r\nleft=10\r\n[Settings]\r\nlangue=francais\r\ntheme=dark\r\n");
    install::CloseInstall(State(), false, false);
    const std::string text = ReadWholeFile(SettingsFilePath());
    EXPECT_NE(text.find("[Window]\r\nleft=10\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("langue=anglais\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("theme=dark"), std::string::npos) << text;
    EXPECT_EQ(text.find("francais"), std::string::npos) << text;
}

// Started as the desktop's user, in the installation directory: the desktop's shell is asked
// first, and where none answers the product is started directly (forced here, as on a machine
// without Explorer); the log says which route was taken.
TEST_F(ClosingStepsTest, StartNowGoesThroughTheDesktopShellElseDirectly) {
    struct Route {
        bool noShell;
        std::vector<std::string> lines;  // in this order
    };
    const Route routes[] = {
        // Wine's desktop answers like Explorer's only once its shell window server is up: either
        // route may follow the attempt there.
        {false, {"through the desktop's shell", "Started <exe> "}},
        {true, {"through the desktop's shell", "(no shell windows): starting it directly", "Started <exe> directly"}}};
    Installed("anglais");
    for (const Route& route : routes) {
        const std::string log = scratch.Path() + "launch.log";
        ASSERT_EQ(installlog::Open(encoding::Widen(log)), installlog::LogOpen::Opened);
        install::TestNoDesktopShell() = route.noShell;
        install::CloseInstall(State(), false, true);
        install::TestNoDesktopShell() = false;
        installlog::Close();
        ASSERT_TRUE(Launched(10000)) << route.noShell;
        // The probe wrote its current directory, as Windows gives it: without the final backslash.
        const std::string dir = LaunchedIn();
        EXPECT_TRUE(_stricmp(dir.c_str(), (scratch.Path() + "Q").c_str()) == 0) << dir;
        EXPECT_EQ(RunValue(), "<missing>");
        const std::string text = ReadWholeFile(log);
        size_t at = 0;
        for (std::string line : route.lines) {
            if (line.find("<exe>") != std::string::npos)
                line.replace(line.find("<exe>"), 5, InstallDir + "quorvane.exe");
            at = text.find(line, at);
            ASSERT_NE(at, std::string::npos) << line << " not in order in:\n" << text;
        }
        EXPECT_NE(text.find("Setting langue = anglais in Quorvane_b.ini"), std::string::npos) << text;
        DeleteFileW(encoding::Widen(InstallDir + "launched.txt").c_str());
    }
}

TEST_F(ClosingStepsTest, NothingWhenTheInstallationDidNotComplete) {
    BeginIn("francais", "Q\\");
    WriteWholeFile(InstallDir + "quorvane.exe", sources["quorvane.exe"]);
    install::CloseInstall(State(), true, true);
    EXPECT_FALSE(Exists(SettingsFilePath()));
    EXPECT_EQ(RunValue(), "<missing>");
    EXPECT_FALSE(Launched(500));
}

// An error shows the standard error box and the later steps are not done; the close goes on.
// The closing steps end the transaction the finishing steps began: their failure undoes it all.
TEST_F(ClosingStepsTest, AnErrorReachesTheErrorBoxAndRollsBackTheWholeInstallation) {
    Installed("francais");
    std::vector<std::string> errors;
    ui::Application::Instance().ErrorHook = [&](const std::string& m) { errors.push_back(m); };

    install::TestRegistryFaults() = {"software\\microsoft\\windows\\currentversion\\run", ""};
    EXPECT_NO_THROW(install::CloseInstall(State(), true, true));
    EXPECT_EQ(errors,
              (std::vector<std::string>{"Failed to create key Software\\Microsoft\\Windows\\CurrentVersion\\Run"}));
    EXPECT_FALSE(Exists(SettingsFilePath()));
    EXPECT_FALSE(Exists(InstallDir + "quorvane.exe"));
    EXPECT_FALSE(Exists(ProgramsPath + "Quorvane"));
    EXPECT_EQ(LocationValue(), "<missing>");
    EXPECT_FALSE(Launched(500));

    // A settings file that cannot be written: a directory stands in its place.
    install::TestRegistryFaults() = {};
    errors.clear();
    DeleteFileW(encoding::Widen(SettingsFilePath()).c_str());
    ASSERT_TRUE(CreateDirectoryW(encoding::Widen(SettingsFilePath()).c_str(), nullptr));
    install::CloseInstall(State(), true, true);
    RemoveDirectoryW(encoding::Widen(SettingsFilePath()).c_str());
    EXPECT_EQ(errors, (std::vector<std::string>{"Unable to write to Quorvane_b.ini"}));
    EXPECT_EQ(RunValue(), "<missing>");
    EXPECT_FALSE(Launched(500));
}

}  // namespace
