// The whole download sequence of the real form against misbehaving servers and a machine that
// refuses to be written: every failure shows an error, leaves InstallDone at 0 and installs
// nothing (no copy, no shortcut, no registry value), and an earlier installation in the chosen
// directory stays as it was. The sound server serves the product's files as this build pinned
// them; the few misbehaviours a sound server may show end in a complete installation.
#include "../app/WizardFixture.h"
#include "../install/finish_fixture.h"
#include "HostileServer.h"
#include "app/DownloadServer.h"
#include "app/install/Registry.h"

#include <functional>

using hostile::HostileServer;
using hostile::Reply;
using hostile::Script;

namespace {

std::string g_server = "127.0.0.1:1";

const char* const kFiles[] = {"quorvane.exe", "quorvane.ini", "miseajour.exe", "uninstall.exe"};
std::string PathOf(const char* file) { return std::string("/download/lite/") + file; }
std::string Product(const char* file) { return installtest::ProductFileBytes(file); }

class HostileDownloadTest : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        g_server = server.Address();
        answer = IDYES;  // overwrite the earlier installation; confirm Cancel
        ui::Application::Instance().ErrorHook = [this](const std::string& message) { errors.push_back(message); };
        installtest::RemoveInstallation(install::ReadProgramsPath(), install::ReadDesktopPath());
        for (const char* file : kFiles) installtest::WriteFileBytes(dir.Path() + file, std::string("old ") + file);
        for (const char* file : kFiles) server.Serve(PathOf(file), Product(file));
    }
    void TearDown() override {
        install::TestRegistryFaults() = {};
        ui::Application::Instance().ErrorHook = nullptr;
        server.Stop();
        WizardTest::TearDown();
        installtest::RemoveInstallation(install::ReadProgramsPath(), install::ReadDesktopPath());
    }

    // Pages 1 to 3 in English into the scratch directory; `beforeInstall` runs just before the
    // Install click (which returns when the download and the finishing steps are over).
    TfInstall& Install(const std::function<void(TfInstall&)>& beforeInstall = nullptr) {
        TfInstall& f = Start(kEnglish);
        Click(f.BtnNext);
        Click(f.rdoagree);
        Click(f.BtnNext);
        SendMessageW(f.TxtDir.Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ui::WidenPath(dir.Path()).c_str()));
        if (beforeInstall) beforeInstall(f);
        const ULONGLONG start = GetTickCount64();
        Click(f.BtnNext);
        elapsedMs = GetTickCount64() - start;
        return f;
    }

    void ExpectNothingInstalled(const TfInstall& f, const std::string& what) {
        EXPECT_FALSE(errors.empty()) << what << ": no error shown";
        EXPECT_EQ(f.InstallDone, 0) << what;
        for (const char* file : kFiles)
            EXPECT_EQ(installtest::ReadFileBytes(dir.Path() + file), std::string("old ") + file) << what;
        EXPECT_FALSE(installtest::Exists(install::ReadProgramsPath() + "Quorvane")) << what;
        EXPECT_FALSE(installtest::Exists(install::ReadDesktopPath() + "\\Quorvane Basic.Lnk")) << what;
        EXPECT_EQ(installtest::ReadRegString(HKEY_LOCAL_MACHINE, install::kLocationKey, install::kLocationValue),
                  "<missing>")
            << what;
        EXPECT_EQ(installtest::ReadRegString(HKEY_LOCAL_MACHINE, installtest::kUninstallKeys[1], "DisplayName"),
                  "<missing>")
            << what;
        EXPECT_LT(elapsedMs, 15000u) << what;
        ExpectDownloadFolderGone(f, what);
    }

    // The run's own folder under the temporary path is removed whatever the outcome.
    static void ExpectDownloadFolderGone(const TfInstall& f, const std::string& what) {
        if (f.DownloadDir.empty()) return;  // stopped before the folder was made
        EXPECT_EQ(f.DownloadDir.rfind(f.TempPath, 0), 0u) << what << ": " << f.DownloadDir;
        EXPECT_FALSE(installtest::Exists(f.DownloadDir)) << what << ": " << f.DownloadDir;
    }

    void ExpectInstalled(const TfInstall& f) {
        EXPECT_TRUE(errors.empty()) << errors.front();
        EXPECT_EQ(f.InstallDone, 1);
        for (const char* file : kFiles) EXPECT_TRUE(installtest::ReadFileBytes(dir.Path() + file) == Product(file));
        ASSERT_FALSE(f.DownloadDir.empty());
        ExpectDownloadFolderGone(f, "installed");
    }

    HostileServer server;
    installtest::ScratchDir dir{"hostile-download"};
    std::vector<std::string> errors;
    ULONGLONG elapsedMs = 0;
};

struct Misbehaviour {
    const char* what;
    std::function<Script(HostileServer&)> script;
    // When set, the error names quorvane.ini and says this.
    const char* says = nullptr;
};

std::string Redirect(const std::string& location) { return Reply("HTTP/1.0 302 Found", {"Location: " + location}, ""); }

std::string ClosedPortAddress() {
    HostileServer probe;
    return "127.0.0.1:" + std::to_string(probe.Port());
}

std::string Ini() { return Product("quorvane.ini"); }
std::string IniHeader(std::size_t length) {
    return "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(length) + "\r\n\r\n";
}
std::string Damaged(std::string bytes, std::size_t at) {
    bytes[at] = static_cast<char>(bytes[at] ^ 0x20);
    return bytes;
}
constexpr char kDamaged[] = "is damaged or not the expected file";
constexpr char kNotFound[] = "Server or update not found: quorvane.ini";

// Each is served for quorvane.ini, the second file: the first is already downloaded when it hits.
const Misbehaviour kFailures[] = {
    {"header without its blank line, then close",
     [](HostileServer&) { return Script().Send("HTTP/1.0 200 OK\r\nServer: cut\r\n"); }, kNotFound},
    {"body longer than its Content-Length",
     [](HostileServer&) { return Script().Send(IniHeader(Ini().size()) + Ini() + "more"); }, kDamaged},
    {"body shorter than its Content-Length",
     [](HostileServer&) { return Script().Send(IniHeader(Ini().size()) + Ini().substr(1)); }, kNotFound},
    {"header lines without end",
     [](HostileServer&) {
         std::string lines;
         for (int i = 0; i < 6000; ++i) lines += "X-Pad: y\r\n";
         return Script().Send("HTTP/1.0 200 OK\r\n" + lines).Hold();
     },
     "Reply header too large"},
    {"one byte changed", [](HostileServer&) { return Script().Send(IniHeader(Ini().size()) + Damaged(Ini(), 7)); },
     kDamaged},
    {"the right size, another content, no length",
     [](HostileServer&) { return Script().Send("HTTP/1.0 200 OK\r\n\r\n" + std::string(Ini().size(), ';')); },
     kDamaged},
    // Held after the header: waiting for the body would never end.
    {"a Content-Length other than the pinned size",
     [](HostileServer&) { return Script().Send(IniHeader(Ini().size() + 1)).Hold(); }, kDamaged},
    {"no status line", [](HostileServer&) { return Script().Send("Content-Length: 3\r\n\r\nabc"); }},
    {"garbage status", [](HostileServer&) { return Script().Send("HTTP/1.0 OK 200\r\n\r\n[Quorvane]"); }},
    {"status wrapping 16 bits", [](HostileServer&) { return Script().Send(Reply("HTTP/1.0 65736 OK", {}, "x")); }},
    {"header line of 1 MiB without LF",
     [](HostileServer&) { return Script().Send("HTTP/1.0 200 OK\r\nX: " + std::string(1 << 20, 'h')); }},
    {"length huge, body short",
     [](HostileServer&) { return Script().Send(Reply("HTTP/1.0 200 OK", {"Content-Length: 99999999999"}, "abc")); }},
    {"length repeated, the last one longer",
     [](HostileServer&) {
         return Script().Send(Reply("HTTP/1.0 200 OK", {"Content-Length: 3", "Content-Length: 1000"}, "abc"));
     }},
    {"length with junk, body short",
     [](HostileServer&) { return Script().Send(Reply("HTTP/1.0 200 OK", {"Content-Length: ~500 bytes"}, "abc")); }},
    {"reset in the middle of the body",
     [](HostileServer&) {
         return Script().Send(Reply("HTTP/1.0 200 OK", {"Content-Length: 100000"}, std::string(5000, 'r'))).Pause(50).Reset();
     }},
    {"reset before the status line", [](HostileServer&) { return Script().Pause(50).Reset(); }},
    {"closes before the status line", [](HostileServer&) { return Script().Close(); }},
    {"401", [](HostileServer&) { return Script().Send(Reply("HTTP/1.0 401 Unauthorized", {}, "login")); }},
    {"500", [](HostileServer&) { return Script().Send(Reply("HTTP/1.0 500 Oops", {"Content-Length: 4"}, "oops")); }},
    {"redirect loop",
     [](HostileServer& s) { return Script().Send(Redirect("http://" + s.Address() + PathOf("quorvane.ini"))); }},
    {"redirect to https", [](HostileServer&) { return Script().Send(Redirect("https://127.0.0.1/quorvane.ini")); }},
    {"redirect to a bare file name (port 80, nothing there)",
     [](HostileServer&) { return Script().Send(Redirect("quorvane.ini")); }},
    {"redirect to a refused port",
     [](HostileServer&) { return Script().Send(Redirect("http://" + ClosedPortAddress() + "/q.ini")); }},
};

TEST_F(HostileDownloadTest, EveryMisbehaviourStopsTheInstallationAndKeepsTheEarlierOne) {
    for (const Misbehaviour& m : kFailures) {
        SCOPED_TRACE(m.what);
        errors.clear();
        installtest::RemoveInstallation(install::ReadProgramsPath(), install::ReadDesktopPath());
        server.On(PathOf("quorvane.ini"), m.script(server));
        TfInstall& f = Install();
        ExpectNothingInstalled(f, m.what);
        if (m.says && !errors.empty()) {
            EXPECT_NE(errors[0].find(m.says), std::string::npos) << errors[0];
            EXPECT_NE(errors[0].find("quorvane.ini"), std::string::npos) << errors[0];
        }
        // The first file came whole; its download folder went with the failure.
        EXPECT_EQ(server.Paths().at(0), PathOf("quorvane.exe"));
        ASSERT_FALSE(f.DownloadDir.empty());
        // The files after the failing one are never asked for.
        for (const std::string& path : server.Paths()) EXPECT_NE(path, PathOf("miseajour.exe"));
    }
}

TEST_F(HostileDownloadTest, ARefusedServerStopsBeforeAnyFile) {
    g_server = ClosedPortAddress();
    TfInstall& f = Install();
    ExpectNothingInstalled(f, "refused port");
    EXPECT_EQ(server.Connections(), 0);
}

// Clicks Cancel (confirmed by the box's answer) once the wait has begun.
void CALLBACK CancelNow(HWND window, UINT, UINT_PTR id, DWORD) {
    KillTimer(window, id);
    if (fInstall) SendMessageW(fInstall->BtnClose.Handle(), BM_CLICK, 0, 0);
}

TEST_F(HostileDownloadTest, CancelEndsAServerThatNeverAnswersOrTrickles) {
    const Script stalls[] = {Script().Hold(), Script().Trickle(std::string("HTTP/1.0 200 OK\r\n\r\n") + std::string(500, 't'), 100)};
    for (const Script& stall : stalls) {
        errors.clear();
        server.On(PathOf("quorvane.ini"), stall);
        TfInstall& f = Install([](TfInstall& form) {
            fInstall = &form;
            SetTimer(form.Handle(), 7, 400, CancelNow);
        });
        fInstall = nullptr;
        EXPECT_EQ(f.Cancelled, 1);
        EXPECT_TRUE(f.Closed());
        ExpectNothingInstalled(f, "cancelled stall");
        EXPECT_LT(elapsedMs, 5000u);
    }
}

TEST_F(HostileDownloadTest, SoundOddities) {
    // A redirect to another port, carrying a cookie that later requests then send.
    HostileServer mirror;
    mirror.Serve("/mirror/quorvane.exe", Product("quorvane.exe"));
    server.On(PathOf("quorvane.exe"),
              Script().Send(Reply("HTTP/1.0 302 Found",
                                  {"Location: http://" + mirror.Address() + "/mirror/quorvane.exe", "Set-Cookie: qv=1"}, "")));
    // Four thousand header lines, just inside the header's bound, before a sound body.
    std::string lines;
    for (int i = 0; i < 4000; ++i) lines += "X-Pad: y\r\n";
    server.On(PathOf("quorvane.ini"), Script().Send("HTTP/1.0 200 OK\r\n" + lines + "\r\n" + Ini()));
    TfInstall& f = Install();
    ExpectInstalled(f);
    EXPECT_NE(mirror.Requests().at(0).find("\r\nCookie: qv=1\r\n"), std::string::npos);
    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_NE(requests[3].find("\r\nCookie: qv=1\r\n"), std::string::npos) << requests[3];
}

// While quorvane.ini's reply is on its way, a folder of that name appears in the download folder.
void CALLBACK BlockTheSecondFile(HWND window, UINT, UINT_PTR id, DWORD) {
    if (!fInstall || fInstall->CurrentFile != "quorvane.ini") return;
    KillTimer(window, id);
    CreateDirectoryW(ui::WidenPath(fInstall->DownloadDir + "quorvane.ini").c_str(), nullptr);
}

// The download's file cannot be created in the download folder: a folder has its name.
TEST_F(HostileDownloadTest, ATemporaryFileThatCannotBeCreatedStopsTheInstallation) {
    server.On(PathOf("quorvane.ini"), Script().Pause(1000).Send(Reply("HTTP/1.0 200 OK", {}, "new quorvane.ini")));
    TfInstall& f = Install([](TfInstall& form) {
        fInstall = &form;
        SetTimer(form.Handle(), 8, 20, BlockTheSecondFile);
    });
    fInstall = nullptr;
    ExpectNothingInstalled(f, "temporary file");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("Cannot create file", 0), 0u) << errors[0];
    EXPECT_NE(errors[0].find("quorvane.ini"), std::string::npos) << errors[0];
}

// A temporary path that cannot hold a download folder stops the run before any request.
TEST_F(HostileDownloadTest, AnUnusableTemporaryPathDownloadsNothing) {
    installtest::ScratchDir temp("hostile-temp");
    installtest::WriteFileBytes(temp.Path() + "a file", "");
    // The current directory and the current drive's root exist: only refusing a path that is
    // not a full one keeps the download out of them.
    const std::string unusable[] = {"", ".\\", "\\", temp.Path() + "missing\\", temp.Path() + "a file\\"};
    for (const std::string& path : unusable) {
        errors.clear();
        TfInstall& f = Install([&](TfInstall& form) { form.TempPath = path; });
        ExpectNothingInstalled(f, "temporary path \"" + path + "\"");
        EXPECT_EQ(f.DownloadDir, "") << path;
        EXPECT_EQ(server.Connections(), 0) << path;
    }
}

// The earlier installation's product is running (its file held open without write sharing):
// after the download the copy fails with an error naming it, and nothing after it is done. The
// install-location value, written before the copies, names the same directory as before.
TEST_F(HostileDownloadTest, AProductFileInUseStopsTheFinishingStepsAndStaysAsItWas) {
    HANDLE running = CreateFileW(ui::Widen(dir.Path() + "quorvane.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(running, INVALID_HANDLE_VALUE);
    TfInstall& f = Install();
    CloseHandle(running);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("quorvane.exe"), std::string::npos) << errors[0];
    EXPECT_EQ(f.InstallDone, 0);
    for (const char* file : kFiles)
        EXPECT_EQ(installtest::ReadFileBytes(dir.Path() + file), std::string("old ") + file);
    EXPECT_FALSE(installtest::Exists(install::ReadProgramsPath() + "Quorvane"));
    EXPECT_EQ(installtest::ReadRegString(HKEY_LOCAL_MACHINE, installtest::kUninstallKeys[1], "DisplayName"), "<missing>");
}

// The uninstall entry cannot be written: the finishing steps stop with the registry's message and
// the installation is not done, so closing the wizard writes no settings.
TEST_F(HostileDownloadTest, ARegistryKeyThatCannotBeWrittenLeavesTheInstallationUndone) {
    install::TestRegistryFaults() = {installtest::kUninstallKeys[1], ""};
    TfInstall& f = Install();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], std::string("Failed to create key ") + installtest::kUninstallKeys[1]);
    EXPECT_EQ(f.InstallDone, 0);
    DeleteFileW(ui::Widen(installtest::SettingsFilePath()).c_str());
    f.Close();
    EXPECT_FALSE(installtest::Exists(installtest::SettingsFilePath()));
}

// The settings file cannot be written at close (a folder has its name): the error box, and the
// installed product stays whole.
TEST_F(HostileDownloadTest, ASettingsFileThatCannotBeWrittenKeepsTheInstalledProduct) {
    TfInstall& f = Install();
    ExpectInstalled(f);
    const std::wstring settings = ui::Widen(installtest::SettingsFilePath());
    DeleteFileW(settings.c_str());
    ASSERT_TRUE(CreateDirectoryW(settings.c_str(), nullptr));
    SendMessageW(f.chkStartNow.Handle(), BM_SETCHECK, BST_UNCHECKED, 0);
    f.Close();
    RemoveDirectoryW(settings.c_str());
    EXPECT_TRUE(f.Closed());
    EXPECT_EQ(errors, std::vector<std::string>{"Unable to write to Quorvane_b.ini"});
    for (const char* file : kFiles) EXPECT_TRUE(installtest::ReadFileBytes(dir.Path() + file) == Product(file));
}

}  // namespace

const char* DownloadServer() { return g_server.c_str(); }
