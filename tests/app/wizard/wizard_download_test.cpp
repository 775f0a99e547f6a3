// The download page against a loopback server in this process: the four requests, the progress
// figures, the replies that must stop the installation (an error status, no length), Cancel and
// the close box during a transfer, a server or proxy name that does not resolve. The server's
// other misbehaviours are HTTP cases, played by hostile_download_test.
#include "DownloadFixture.h"

#include "app/download/DownloadServer.h"
#include "app/download/DownloadPace.h"
#include "net/http/HttpClient.h"
#include "tests/net/proxy/UserProxySettings.h"

#include <commctrl.h>

#include <cstdio>

namespace {

std::string Megs(std::size_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%0.02f", bytes / 1048576.0);
    return text;
}

class DownloadTest : public DownloadFixture {
protected:
    // quorvane.exe answered with `exeReply`, then a 404 for quorvane.ini, which stops the run.
    TfInstall& InstallUntilTheIniIsNotFound(const std::string& exeReply) {
        server.On(PathOf(kFiles[0]), {httptest::Actions({{THttpAction::Send, exeReply, 0}})});
        server.On(PathOf(kFiles[1]),
                  {httptest::Actions({{THttpAction::Send, "HTTP/1.0 404 Not Found\r\n\r\nNot found", 0}})});
        return Install();
    }

    // Every file served whole but quorvane.ini, whose reply stops after half its body; `then`
    // follows.
    void ServeAllButCutTheIniInHalf(std::vector<THttpAction> then) {
        ServeAll();
        const std::string ini = Product(kFiles[1]);
        then.insert(then.begin(), {THttpAction::Send,
                                   "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(ini.size()) + "\r\n\r\n" +
                                       ini.substr(0, ini.size() / 2),
                                   0});
        server.On(PathOf(kFiles[1]), {httptest::Actions(std::move(then))});
    }
    bool SecondFileArriving() const { return form->LblFN.Text().rfind(kFiles[1], 0) == 0; }

    // The manifest and its signature, then the first `count` files.
    std::vector<std::string> FirstPaths(std::size_t count) const {
        std::vector<std::string> paths{PathOf(kManifestFiles[0]), PathOf(kManifestFiles[1])};
        for (std::size_t i = 0; i < count; ++i) paths.push_back(PathOf(kFiles[i]));
        return paths;
    }
};

TEST_F(DownloadTest, FourFilesInOrderThenTheFinishingSteps) {
    ServeAll();
    TfInstall& f = Install();
    ExpectInstalled(f);
    EXPECT_EQ(server.Paths(), FirstPaths(4));
    EXPECT_EQ(Page(), 5);
    EXPECT_EQ(f.LblStatus.Text(), "Status : Registration of uninstall");
    EXPECT_EQ(f.LblFN.Text(), "uninstall.exe (100 %)");
    const std::string uninstallSize = Megs(Product(kFiles[3]).size());
    EXPECT_EQ(f.LblBytes.Text(), uninstallSize + " / " + uninstallSize + " Megs");
    // The whole download's line keeps its last figures: the four files, all in.
    std::int64_t total = 0;
    for (const char* file : kFiles) total += static_cast<std::int64_t>(Product(file).size());
    const std::string all = progress::Size(total, progress::PaceWordsOf(*Translator));
    EXPECT_EQ(f.LblPace.Text(), all + " of " + all);

    // The title-bar close box on page 5 does what Done does (the product is not started here).
    Click(f.chkStartNow);
    SendMessageW(f.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(f.Closed());
    EXPECT_EQ(testsupport::ReadWholeFile(installtest::SettingsFilePath()), "[Settings]\r\nlangue=anglais\r\n");
    EXPECT_EQ(installtest::RunValue(), "\"" + dir.Path() + "Quorvane.exe\"");
}

// What page 4 shows while the files arrive, seen by the controls themselves.
LRESULT CALLBACK RecordTexts(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR texts) {
    if (msg == WM_SETTEXT)
        reinterpret_cast<std::vector<std::string>*>(texts)->push_back(
            encoding::Narrow(reinterpret_cast<const wchar_t*>(lp)));
    return DefSubclassProc(hwnd, msg, wp, lp);
}

// Closing by the title bar does not stop the download: the finishing steps run, the closing
// steps (settings file, Run value, start of the product) do not.
TEST_F(DownloadTest, CloseBoxDuringTheDownloadLetsItFinishWithoutTheClosingWork) {
    const std::string ini = Product(kFiles[1]);
    ServeAllButCutTheIniInHalf({{THttpAction::Delay, "", 400}, {THttpAction::Send, ini.substr(ini.size() / 2), 0}});
    std::vector<std::string> status;
    std::string seen;  // page, buttons and Next's caption while the second file arrives
    TfInstall& f = Install([&](TfInstall& form) {
        form.SetMainForm(true);  // as the program runs it: the close also ends the message loop
        SetWindowSubclass(form.LblStatus.Handle(), RecordTexts, 1, reinterpret_cast<DWORD_PTR>(&status));
        OnTick([&] { return SecondFileArriving(); },
               [&] {
                   seen = std::to_string(Page()) + " " + Buttons() + " " + form.BtnNext.Text();
                   SendMessageW(form.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
               });
    });
    RemoveWindowSubclass(f.LblStatus.Handle(), RecordTexts, 1);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(seen, "4 --C &Install");
    EXPECT_TRUE(f.Closed());
    EXPECT_EQ(server.Paths(), FirstPaths(4));
    ExpectInstalled(f);
    EXPECT_FALSE(testsupport::Exists(installtest::SettingsFilePath()));
    EXPECT_EQ(installtest::RunValue(), "<missing>");
    const std::vector<std::string> expected = {
        "Status : Looking for Quorvane server", "Status : Downloading release.manifest",
        "Status : Looking for Quorvane server", "Status : Downloading release.manifest.sig",
        "Status : Looking for Quorvane server", "Status : Downloading quorvane.exe",
        "Status : Looking for Quorvane server", "Status : Downloading quorvane.ini",
        "Status : Looking for Quorvane server", "Status : Downloading miseajour.exe",
        "Status : Looking for Quorvane server", "Status : Downloading uninstall.exe",
        "Status : Creation of shortcuts",       "Status : Registration of uninstall"};
    EXPECT_EQ(status, expected);
}

TEST_F(DownloadTest, CancelDuringTheSecondFileStopsEverything) {
    ServeAllButCutTheIniInHalf({{THttpAction::Hold, "", 0}});
    answer = IDYES;
    TfInstall& f =
        Install([&](TfInstall& form) { OnTick([&] { return SecondFileArriving(); }, [&] { Click(form.BtnClose); }); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Suspend?");
    EXPECT_EQ(f.Cancelled, 1);
    EXPECT_TRUE(f.Closed());
    EXPECT_EQ(errors.size(), 1u);  // the aborted request's error
    EXPECT_EQ(server.Paths(), FirstPaths(2));
    ExpectNothingInstalled(f);
}

// Run alone under a German user locale by the test app_wizard_german_test (LC_ALL=de_DE.UTF-8):
// the figures take the user's decimal separator from the system, not a fixed ".".
TEST_F(DownloadTest, GermanUserLocaleWritesTheFiguresWithADecimalComma) {
    if (!GetEnvironmentVariableW(L"QUORVANE_GERMAN_RUN", nullptr, 0)) GTEST_SKIP() << "run by app_wizard_german_test";
    ASSERT_EQ(PRIMARYLANGID(GetUserDefaultLangID()), LANG_GERMAN);
    const std::string exe = Product(kFiles[0]);
    TfInstall& f = InstallUntilTheIniIsNotFound(httptest::Ok(exe));
    std::string size = Megs(exe.size());
    ASSERT_EQ(size[size.size() - 3], '.');
    size[size.size() - 3] = ',';
    EXPECT_EQ(f.LblBytes.Text(), size + " / " + size + " Megs");
}

TEST_F(DownloadTest, AWholeBodyEndsAtTheBarsMaximumAndAnErrorStatusStopsTheInstallation) {
    const std::string exe = Product(kFiles[0]);
    TfInstall& f = InstallUntilTheIniIsNotFound(httptest::Ok(exe));
    EXPECT_EQ(f.LblBytes.Text(), Megs(exe.size()) + " / " + Megs(exe.size()) + " Megs");
    EXPECT_EQ(f.LblFN.Text(), "quorvane.exe (100 %)");
    EXPECT_EQ(SendMessageW(f.ProgBarDL.Handle(), PBM_GETRANGE, FALSE, 0), static_cast<LRESULT>(exe.size()));
    EXPECT_EQ(f.ProgBarDL.Position(), static_cast<int>(exe.size()));
    EXPECT_EQ(errors, std::vector<std::string>{"Server or update not found: quorvane.ini (HTTP status 404)"});
    EXPECT_EQ(server.Paths(), FirstPaths(2));
    ExpectNothingInstalled(f);
}

TEST_F(DownloadTest, WithoutALengthTheProgressStaysAsItWas) {
    // quorvane.exe is read to the server's close; the 404 that follows takes the folder away.
    TfInstall& f = InstallUntilTheIniIsNotFound("HTTP/1.0 200 OK\r\n\r\n" + Product(kFiles[0]));
    EXPECT_EQ(f.LblFN.Text(), "");
    EXPECT_EQ(f.LblBytes.Text(), "");
    EXPECT_EQ(f.ProgBarDL.Position(), 0);
    EXPECT_EQ(server.Paths(), FirstPaths(2));
    EXPECT_FALSE(f.DownloadDir.empty());
    EXPECT_EQ(errors.size(), 1u);
    ExpectNothingInstalled(f);
}

TEST_F(DownloadTest, AServerNameThatDoesNotResolveShowsItsBoxAndClosesTheWizard) {
    g_downloadServer = "quorvane-download.invalid";
    answer = IDOK;
    TfInstall& f = Install();
    ASSERT_GE(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Server or update not found");
    EXPECT_EQ(boxes[0].caption, "Interrupted process");
    EXPECT_EQ(boxes[0].flags, UINT(MB_OK | MB_ICONERROR));
    EXPECT_TRUE(f.Closed());
    EXPECT_EQ(errors.size(), 1u);  // then the request's own error
    ExpectNothingInstalled(f);
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
    ExpectNothingInstalled(f);
}

// A resumed body counts from where it continues the file and the bar spans the whole file; a
// body that starts the file again never takes the figures back.
TEST_F(DownloadTest, ProgressShowsTheWholeFileAndNeverGoesBack) {
    TfInstall& f = Start(kEnglish);
    f.StartDownloadClient();
    f.Download.CurrentFile = "quorvane.exe";
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
        f.Download.HttpClient->BodyOffset = c.offset;
        f.Download.HttpClient->BytesReceived = c.received;
        f.Download.HttpClient->BytesExpected = c.expected;
        Sleep(120);  // past the display's pace
        f.Download.HttpPacketRecvd(f.Download.HttpClient.get());
        EXPECT_EQ(f.LblBytes.Text(), c.bytes);
        EXPECT_EQ(f.LblFN.Text(), c.file);
        EXPECT_EQ(SendMessageW(f.ProgBarDL.Handle(), PBM_GETRANGE, FALSE, 0), 4 * MiB);
    }
}

// The release manifest and its signature are judged before any file: a manifest that cannot be
// held in memory, a signature of another length, one changed byte, no manifest at all. Each ends
// the run with its exit code and its box; no file of the product is asked for.
TEST_F(DownloadTest, TheReleaseManifestIsJudgedBeforeAnyFile) {
    ServeAll();
    const std::string signature = Product("release.manifest.sig");
    std::string changed = Product("release.manifest");
    changed[changed.find("\nversion ") + 9] ^= 1;
    const struct {
        const char* what;
        const char* file;  // the one answered so
        std::string reply;
        int exit;
        const char* words;  // of the box
    } rows[] = {
        {"a manifest announced past 64 KiB", "release.manifest", httptest::Ok(std::string(65537, '#')), 3,
         "damaged or unreadable"},
        {"a manifest past 64 KiB without a length", "release.manifest",
         "HTTP/1.0 200 OK\r\n\r\n" + std::string(1 << 20, '#'), 3, "damaged or unreadable"},
        {"a signature of 65 bytes", "release.manifest.sig", httptest::Ok(signature + "!"), 3, "signature"},
        {"a signature of 63 bytes", "release.manifest.sig", httptest::Ok(signature.substr(1)), 3, "signature"},
        {"one byte of the manifest changed", "release.manifest", httptest::Ok(changed), 3, "signature"},
        {"no manifest", "release.manifest", "HTTP/1.0 404 Not Found\r\n\r\nNot found", 2,
         "release.manifest (HTTP status 404)"},
    };
    for (const auto& row : rows) {
        for (const char* file : kManifestFiles) server.Serve(PathOf(file), Product(file));
        server.On(PathOf(row.file), {httptest::Actions({{THttpAction::Send, row.reply, 0}})});
        errors.clear();
        const std::size_t asked = server.Paths().size();
        TfInstall& f = Install();
        ExpectNothingInstalled(f, row.what);
        EXPECT_EQ(f.ExitCode(), row.exit) << row.what;
        ASSERT_FALSE(errors.empty()) << row.what;
        EXPECT_NE(errors[0].find(row.words), std::string::npos) << row.what << ": " << errors[0];
        const std::vector<std::string> paths = server.Paths();
        for (std::size_t i = asked; i < paths.size(); ++i)
            EXPECT_EQ(paths[i].rfind(PathOf("release.manifest"), 0), 0u) << row.what << ": " << paths[i];
    }
}

TEST_F(DownloadTest, AlreadyCancelledFetchesNothing) {
    TfInstall& f = Start(kEnglish);
    f.Cancelled = 1;
    f.DownloadFiles();
    EXPECT_EQ(f.Download.HttpClient, nullptr);
    EXPECT_TRUE(server.Paths().empty());
}

}  // namespace

const char* DownloadServer() { return g_downloadServer.c_str(); }
