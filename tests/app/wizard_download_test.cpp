// The download page against a loopback server in this process: the four requests, the progress
// figures, the replies that must stop the installation (error status, no status, a cut body),
// Cancel during a transfer and a server name that does not resolve.
#include "WizardFixture.h"

#include "install/finish_fixture.h"
#include "app/DownloadServer.h"
#include "net/http/HttpClient.h"
#include "tests/net/http/CaseServer.h"
#include "tests/net/proxy/UserProxySettings.h"

#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <memory>

using httptest::Actions;

namespace {

std::string g_server = "127.0.0.1:1";
const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

const std::vector<std::string> kAllPaths = {"/download/lite/quorvane.exe", "/download/lite/quorvane.ini",
                                            "/download/lite/miseajour.exe", "/download/lite/uninstall.exe"};

// The files as this build pinned them: anything else is refused.
std::string Product(const std::string& path) { return installtest::ProductFileBytes(path.substr(path.rfind('/') + 1)); }
std::string Megs(std::size_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%0.02f", bytes / 1048576.0);
    return text;
}

class DownloadTest : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        g_server = server.Address();
        ui::Application::Instance().ErrorHook = [this](const std::string& message) { errors.push_back(message); };
        installtest::RemoveInstallation(install::ReadProgramsPath(), install::ReadDesktopPath());
    }
    void TearDown() override {
        if (form) KillTimer(form->Handle(), 1);
        ui::Application::Instance().ErrorHook = nullptr;
        WizardTest::TearDown();
        installtest::RemoveInstallation(install::ReadProgramsPath(), install::ReadDesktopPath());
    }

    // Pages 1 to 3 in English, into the scratch directory, then Install. `ready` runs just
    // before Install is clicked. The retries of a file that fails pause only briefly here: the
    // hostile suite tests the real back-offs.
    TfInstall& Install(const std::function<void(TfInstall&)>& ready = {}) {
        TfInstall& f = Start(kEnglish);
        f.BackOffMs = {20, 20};
        Click(f.BtnNext);
        Click(f.rdoagree);
        Click(f.BtnNext);
        SendMessageW(f.TxtDir.Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ui::WidenPath(dir.Path()).c_str()));
        if (ready) ready(f);
        Click(f.BtnNext);
        return f;
    }

    void ServeAll() {
        for (const std::string& path : kAllPaths) server.Serve(path, Product(path));
    }

    // The installation stopped on page 4 with only Cancel usable, nothing put in place.
    void ExpectStoppedOnPageFour(TfInstall& f) {
        EXPECT_EQ(Page(), 4);
        EXPECT_EQ(Buttons(), "--C");
        EXPECT_EQ(f.InstallDone, 0);
        EXPECT_FALSE(installtest::Exists(dir.Path() + "quorvane.exe"));
        EXPECT_EQ(installtest::ReadRegString(HKEY_LOCAL_MACHINE, "Software\\Quorvane\\Quorvane\\RaRozo", "emplacement"),
                  "<missing>");
    }

    // Answers `path` with these bytes (and the rest of the script).
    void Answer(const std::string& path, std::vector<THttpAction> actions) {
        server.On(path, {Actions(std::move(actions))});
    }

    httptest::TCaseServer server;
    installtest::ScratchDir dir{"wizard-download"};
    std::vector<std::string> errors;
};

TEST_F(DownloadTest, FourFilesInOrderThenTheFinishingSteps) {
    ServeAll();
    TfInstall& f = Install();
    EXPECT_TRUE(errors.empty()) << errors.front();
    EXPECT_EQ(server.Paths(), kAllPaths);
    EXPECT_EQ(Page(), 5);
    EXPECT_EQ(f.InstallDone, 1);
    EXPECT_EQ(f.LblStatus.Text(), "Status : Registration of uninstall");
    EXPECT_EQ(f.LblFN.Text(), "uninstall.exe (100 %)");
    const std::string uninstallSize = Megs(Product(kAllPaths[3]).size());
    EXPECT_EQ(f.LblBytes.Text(), uninstallSize + " / " + uninstallSize + " Megs");
    EXPECT_TRUE(installtest::ReadFileBytes(dir.Path() + "quorvane.exe") == Product(kAllPaths[0]));
    EXPECT_TRUE(installtest::ReadFileBytes(dir.Path() + "uninstall.exe") == Product(kAllPaths[3]));
    EXPECT_TRUE(installtest::ReadFileBytes(dir.Path() + "quorvane.ini") == Product(kAllPaths[1]));
    // The downloads went into a folder of their own, removed once they were installed.
    EXPECT_EQ(f.DownloadDir.rfind(f.TempPath + "Quorvane-", 0), 0u) << f.DownloadDir;
    EXPECT_FALSE(installtest::Exists(f.DownloadDir));

    // The title-bar close box on page 5 does what Done does (the product is not started here).
    SendMessageW(f.chkStartNow.Handle(), BM_CLICK, 0, 0);
    SendMessageW(f.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(f.Closed());
    EXPECT_EQ(installtest::ReadFileBytes(installtest::SettingsFilePath()), "[Settings]\r\nlangue=anglais\r\n");
    EXPECT_EQ(installtest::ReadRegString(HKEY_CURRENT_USER, kRunKey, "QuorvaneRaRozo"),
              "\"" + dir.Path() + "Quorvane.exe\"");
}

// What page 4 shows while the files arrive, seen by the controls themselves.
LRESULT CALLBACK RecordTexts(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR texts) {
    if (msg == WM_SETTEXT)
        reinterpret_cast<std::vector<std::string>*>(texts)->push_back(ui::Narrow(reinterpret_cast<const wchar_t*>(lp)));
    return DefSubclassProc(hwnd, msg, wp, lp);
}

struct DuringDownload {
    int page = 0;
    std::string buttons, next;
};
std::function<void()> g_whenSecondFileArrives;

// Acts from inside the running download, once the second file's bytes are arriving.
void CALLBACK WhenSecondFileArrives(HWND, UINT, UINT_PTR, DWORD) {
    TfInstall* f = fInstall;
    if (!f || f->LblFN.Text().rfind("quorvane.ini", 0) != 0) return;
    KillTimer(f->Handle(), 1);
    g_whenSecondFileArrives();
}

// Closing by the title bar does not stop the download: the finishing steps run, the closing
// steps (settings file, Run value, start of the product) do not.
TEST_F(DownloadTest, CloseBoxDuringTheDownloadLetsItFinishWithoutTheClosingWork) {
    ServeAll();
    const std::string ini = Product(kAllPaths[1]);
    Answer(kAllPaths[1], {{THttpAction::Send,
                           "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(ini.size()) + "\r\n\r\n" +
                               ini.substr(0, ini.size() / 2),
                           0},
                          {THttpAction::Delay, "", 400},
                          {THttpAction::Send, ini.substr(ini.size() / 2), 0}});
    std::vector<std::string> status;
    DuringDownload seen;
    g_whenSecondFileArrives = [&] {
        seen = {Page(), Buttons(), fInstall->BtnNext.Text()};
        SendMessageW(fInstall->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    };
    TfInstall& f = Install([&](TfInstall& form) {
        fInstall = &form;
        form.SetMainForm(true);  // as the program runs it: the close also ends the message loop
        SetWindowSubclass(form.LblStatus.Handle(), RecordTexts, 1, reinterpret_cast<DWORD_PTR>(&status));
        SetTimer(form.Handle(), 1, 10, WhenSecondFileArrives);
    });
    fInstall = nullptr;
    RemoveWindowSubclass(f.LblStatus.Handle(), RecordTexts, 1);
    EXPECT_TRUE(errors.empty()) << errors.front();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(seen.page, 4);
    EXPECT_EQ(seen.buttons, "--C");
    EXPECT_EQ(seen.next, "&Install");
    EXPECT_TRUE(f.Closed());
    EXPECT_EQ(server.Paths(), kAllPaths);
    EXPECT_EQ(f.InstallDone, 1);
    EXPECT_EQ(installtest::ReadFileBytes(dir.Path() + "quorvane.ini"), ini);
    EXPECT_FALSE(installtest::Exists(installtest::SettingsFilePath()));
    EXPECT_EQ(installtest::ReadRegString(HKEY_CURRENT_USER, kRunKey, "QuorvaneRaRozo"), "<missing>");
    const std::vector<std::string> expected = {
        "Status : Looking for Quorvane server", "Status : Downloading quorvane.exe",
        "Status : Looking for Quorvane server", "Status : Downloading quorvane.ini",
        "Status : Looking for Quorvane server", "Status : Downloading miseajour.exe",
        "Status : Looking for Quorvane server", "Status : Downloading uninstall.exe",
        "Status : Creation of shortcuts",       "Status : Registration of uninstall"};
    EXPECT_EQ(status, expected);
}

// Run alone under a German user locale by the test app_wizard_german_test (LC_ALL=de_DE.UTF-8):
// the figures take the user's decimal separator from the system, not a fixed ".".
TEST_F(DownloadTest, GermanUserLocaleWritesTheFiguresWithADecimalComma) {
    if (!GetEnvironmentVariableW(L"QUORVANE_GERMAN_RUN", nullptr, 0)) GTEST_SKIP() << "run by app_wizard_german_test";
    ASSERT_EQ(PRIMARYLANGID(GetUserDefaultLangID()), LANG_GERMAN);
    const std::string exe = Product(kAllPaths[0]);
    server.Serve(kAllPaths[0], exe);
    Answer(kAllPaths[1], {{THttpAction::Send, "HTTP/1.0 404 Not Found\r\n\r\n", 0}});
    TfInstall& f = Install();
    std::string size = Megs(exe.size());
    ASSERT_EQ(size[size.size() - 3], '.');
    size[size.size() - 3] = ',';
    EXPECT_EQ(f.LblBytes.Text(), size + " / " + size + " Megs");
}

TEST_F(DownloadTest, AWholeBodyEndsAtTheBarsMaximumAndAnErrorStatusStopsTheInstallation) {
    const std::string exe = Product(kAllPaths[0]);
    server.Serve(kAllPaths[0], exe);
    Answer(kAllPaths[1], {{THttpAction::Send, "HTTP/1.0 404 Not Found\r\n\r\nNot found", 0}});
    TfInstall& f = Install();
    EXPECT_EQ(f.LblBytes.Text(), Megs(exe.size()) + " / " + Megs(exe.size()) + " Megs");
    EXPECT_EQ(f.LblFN.Text(), "quorvane.exe (100 %)");
    EXPECT_EQ(SendMessageW(f.ProgBarDL.Handle(), PBM_GETRANGE, FALSE, 0), static_cast<LRESULT>(exe.size()));
    EXPECT_EQ(f.ProgBarDL.Position(), static_cast<int>(exe.size()));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "Server or update not found: quorvane.ini (HTTP status 404)");
    EXPECT_EQ(server.Paths(), std::vector<std::string>(kAllPaths.begin(), kAllPaths.begin() + 2));
    ExpectStoppedOnPageFour(f);
}

TEST_F(DownloadTest, WithoutALengthTheProgressStaysAsItWas) {
    Answer(kAllPaths[0], {{THttpAction::Send, "HTTP/1.0 200 OK\r\n\r\n" + Product(kAllPaths[0]), 0}});
    // Then a 404 for quorvane.ini, also without a length, so that nothing moves the figures.
    Answer(kAllPaths[1], {{THttpAction::Send, "HTTP/1.0 404 Not Found\r\n\r\nNot found", 0}});
    TfInstall& f = Install();
    EXPECT_EQ(f.LblFN.Text(), "");
    EXPECT_EQ(f.LblBytes.Text(), "");
    EXPECT_EQ(f.ProgBarDL.Position(), 0);
    // quorvane.exe was read to the server's close; the 404 that followed took the folder away.
    EXPECT_EQ(server.Paths(), std::vector<std::string>(kAllPaths.begin(), kAllPaths.begin() + 2));
    EXPECT_FALSE(installtest::Exists(f.DownloadDir));
    ASSERT_EQ(errors.size(), 1u);
    ExpectStoppedOnPageFour(f);
}

TEST_F(DownloadTest, ABodyCutShortOfItsLengthStopsTheInstallation) {
    ServeAll();
    const std::string update = Product(kAllPaths[2]);
    Answer(kAllPaths[2],
           {{THttpAction::Send,
             "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(update.size()) + "\r\n\r\n" + update.substr(0, 12),
             0}});
    TfInstall& f = Install();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0],
              "Server or update not found: miseajour.exe (received 12 of " + std::to_string(update.size()) + " bytes)");
    EXPECT_EQ(server.Paths().size(), 5u);  // miseajour.exe was tried three times
    ExpectStoppedOnPageFour(f);
}

TEST_F(DownloadTest, AReplyWithoutAStatusLineStopsTheInstallation) {
    ServeAll();
    Answer(kAllPaths[0], {{THttpAction::Close, "", 0}});
    TfInstall& f = Install();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "Server or update not found: quorvane.exe (no valid HTTP status line)");
    ExpectStoppedOnPageFour(f);
}

// Clicks Cancel from inside the running download, once the second file's bytes are arriving.
void CALLBACK CancelWhenSecondFileArrives(HWND, UINT, UINT_PTR, DWORD) {
    TfInstall* f = fInstall;
    if (!f || f->LblFN.Text().rfind("quorvane.ini", 0) != 0) return;
    KillTimer(f->Handle(), 1);
    SendMessageW(f->BtnClose.Handle(), BM_CLICK, 0, 0);
}

TEST_F(DownloadTest, CancelDuringTheSecondFileStopsEverything) {
    ServeAll();
    const std::string ini = Product(kAllPaths[1]);
    Answer(kAllPaths[1], {{THttpAction::Send,
                           "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(ini.size()) + "\r\n\r\n" +
                               ini.substr(0, ini.size() / 2),
                           0},
                          {THttpAction::Hold, "", 0}});
    answer = IDYES;
    TfInstall& f = Start(kEnglish);
    fInstall = &f;
    Click(f.BtnNext);
    Click(f.rdoagree);
    Click(f.BtnNext);
    SendMessageW(f.TxtDir.Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ui::WidenPath(dir.Path()).c_str()));
    SetTimer(f.Handle(), 1, 20, CancelWhenSecondFileArrives);
    Click(f.BtnNext);
    fInstall = nullptr;
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Suspend?");
    EXPECT_EQ(f.Cancelled, 1);
    EXPECT_TRUE(f.Closed());
    EXPECT_EQ(errors.size(), 1u);  // the aborted request's error
    EXPECT_EQ(server.Paths(), std::vector<std::string>(kAllPaths.begin(), kAllPaths.begin() + 2));
    ExpectStoppedOnPageFour(f);
}

TEST_F(DownloadTest, AServerNameThatDoesNotResolveShowsItsBoxAndClosesTheWizard) {
    g_server = "quorvane-download.invalid";
    answer = IDOK;
    TfInstall& f = Install();
    ASSERT_GE(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Server or update not found");
    EXPECT_EQ(boxes[0].caption, "Interrupted process");
    EXPECT_EQ(boxes[0].flags, UINT(MB_OK | MB_ICONERROR));
    EXPECT_TRUE(f.Closed());
    EXPECT_EQ(errors.size(), 1u);  // then the request's own error
    ExpectStoppedOnPageFour(f);
}

// A resumed body counts from where it continues the file and the bar spans the whole file; a
// body that starts the file again never takes the figures back.
TEST_F(DownloadTest, ProgressShowsTheWholeFileAndNeverGoesBack) {
    TfInstall& f = Start(kEnglish);
    f.StartDownloadClient();
    f.CurrentFile = "quorvane.exe";
    constexpr long long MiB = 1048576;
    struct Chunk {
        long long offset, received, expected;
        const char* bytes;
        const char* file;
    };
    const Chunk chunks[] = {
        {0, 3 * MiB, 4 * MiB, "3.00 / 4.00 Megs", "quorvane.exe (75 %)"},    // cut here
        {3 * MiB, MiB / 2, MiB, "3.50 / 4.00 Megs", "quorvane.exe (88 %)"},  // resumed
        {0, MiB, 4 * MiB, "3.50 / 4.00 Megs", "quorvane.exe (88 %)"},        // restarted
        {0, 4 * MiB, 4 * MiB, "4.00 / 4.00 Megs", "quorvane.exe (100 %)"},
    };
    for (const Chunk& c : chunks) {
        f.HttpClient->BodyOffset = c.offset;
        f.HttpClient->BytesReceived = c.received;
        f.HttpClient->BytesExpected = c.expected;
        Sleep(120);  // past the display's pace
        f.HttpPacketRecvd(f.HttpClient.get());
        EXPECT_EQ(f.LblBytes.Text(), c.bytes);
        EXPECT_EQ(f.LblFN.Text(), c.file);
        EXPECT_EQ(SendMessageW(f.ProgBarDL.Handle(), PBM_GETRANGE, FALSE, 0), 4 * MiB);
    }
}

TEST_F(DownloadTest, AProxyWhoseNameDoesNotResolveIsNamedNotTakenForTheServer) {
    // The user's settings send even loopback through the proxy.
    ASSERT_TRUE(testsupport::WriteUserProxySettings({L"no-such-proxy.invalid:3128", L"<-loopback>", L""}));
    ServeAll();
    TfInstall& f = Install();
    testsupport::ClearUserProxySettings();
    EXPECT_TRUE(boxes.empty()) << boxes.front().text;
    EXPECT_FALSE(f.Closed());
    EXPECT_EQ(errors,
              std::vector<std::string>{"Proxy no-such-proxy.invalid:3128 not found: its name could not be resolved"});
    EXPECT_TRUE(server.Paths().empty()) << "nothing may be asked of the server directly";
    ExpectStoppedOnPageFour(f);
}

TEST_F(DownloadTest, AlreadyCancelledFetchesNothing) {
    TfInstall& f = Start(kEnglish);
    f.Cancelled = 1;
    f.DownloadFiles();
    EXPECT_EQ(f.HttpClient, nullptr);
    EXPECT_TRUE(server.Paths().empty());
}

}  // namespace

const char* DownloadServer() { return g_server.c_str(); }
