// The whole download sequence of the real form against misbehaving servers and a machine that
// refuses to be written: every failure shows an error, leaves InstallDone at 0 and installs
// nothing (no copy, no shortcut, no registry value), and an earlier installation in the chosen
// directory stays as it was. The sound server serves the product's files as this build pinned
// them; the few misbehaviours a sound server may show end in a complete installation.
#include "../app/WizardFixture.h"
#include "install/finish_fixture.h"
#include "HostileServer.h"
#include "app/DownloadErrors.h"
#include "app/DownloadRetry.h"
#include "app/DownloadServer.h"
#include "app/install/Registry.h"
#include "net/socket/SocketErrors.h"

#include <algorithm>
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
    // Requests for quorvane.ini: three attempts for what a retry may mend, one for the rest.
    std::size_t requests;
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
     [](HostileServer&) { return Script().Send("HTTP/1.0 200 OK\r\nServer: cut\r\n"); }, 3, kNotFound},
    {"body longer than its Content-Length",
     [](HostileServer&) { return Script().Send(IniHeader(Ini().size()) + Ini() + "more"); }, 3, kDamaged},
    {"body shorter than its Content-Length",
     [](HostileServer&) { return Script().Send(IniHeader(Ini().size()) + Ini().substr(1)); }, 3, kNotFound},
    {"header lines without end",
     [](HostileServer&) {
         std::string lines;
         for (int i = 0; i < 6000; ++i) lines += "X-Pad: y\r\n";
         return Script().Send("HTTP/1.0 200 OK\r\n" + lines).Hold();
     },
     1, "Reply header too large"},
    {"one byte changed", [](HostileServer&) { return Script().Send(IniHeader(Ini().size()) + Damaged(Ini(), 7)); },
     3, kDamaged},
    {"the right size, another content, no length",
     [](HostileServer&) { return Script().Send("HTTP/1.0 200 OK\r\n\r\n" + std::string(Ini().size(), ';')); },
     3, kDamaged},
    // Held after the header: waiting for the body would never end.
    {"a Content-Length other than the pinned size",
     [](HostileServer&) { return Script().Send(IniHeader(Ini().size() + 1)).Hold(); }, 3, kDamaged},
    {"no status line", [](HostileServer&) { return Script().Send("Content-Length: 3\r\n\r\nabc"); }, 3},
    {"garbage status", [](HostileServer&) { return Script().Send("HTTP/1.0 OK 200\r\n\r\n[Quorvane]"); }, 3},
    {"status wrapping 16 bits", [](HostileServer&) { return Script().Send(Reply("HTTP/1.0 65736 OK", {}, "x")); }, 3},
    {"header line of 1 MiB without LF",
     [](HostileServer&) { return Script().Send("HTTP/1.0 200 OK\r\nX: " + std::string(1 << 20, 'h')); }, 3},
    {"length huge, body short",
     [](HostileServer&) { return Script().Send(Reply("HTTP/1.0 200 OK", {"Content-Length: 99999999999"}, "abc")); }, 3},
    {"length repeated, the last one longer",
     [](HostileServer&) {
         return Script().Send(Reply("HTTP/1.0 200 OK", {"Content-Length: 3", "Content-Length: 1000"}, "abc"));
     }, 3},
    {"length with junk, body short",
     [](HostileServer&) { return Script().Send(Reply("HTTP/1.0 200 OK", {"Content-Length: ~500 bytes"}, "abc")); }, 3},
    {"reset in the middle of the body",
     [](HostileServer&) {
         return Script().Send(Reply("HTTP/1.0 200 OK", {"Content-Length: 100000"}, std::string(5000, 'r'))).Pause(50).Reset();
     }, 3},
    {"reset before the status line", [](HostileServer&) { return Script().Pause(50).Reset(); }, 3},
    {"closes before the status line", [](HostileServer&) { return Script().Close(); }, 3},
    {"401", [](HostileServer&) { return Script().Send(Reply("HTTP/1.0 401 Unauthorized", {}, "login")); }, 1},
    {"500", [](HostileServer&) { return Script().Send(Reply("HTTP/1.0 500 Oops", {"Content-Length: 4"}, "oops")); }, 3},
    {"redirect loop",
     [](HostileServer& s) { return Script().Send(Redirect("http://" + s.Address() + PathOf("quorvane.ini"))); }, 21},
    {"redirect to https on a refused port",
     [](HostileServer&) { return Script().Send(Redirect("https://" + ClosedPortAddress() + "/q.ini")); }, 3},
    {"redirect to a bare file name (port 80, nothing there)",
     [](HostileServer&) { return Script().Send(Redirect("quorvane.ini")); }, 1},
    {"redirect to a refused port",
     [](HostileServer&) { return Script().Send(Redirect("http://" + ClosedPortAddress() + "/q.ini")); }, 3},
};

TEST_F(HostileDownloadTest, EveryMisbehaviourStopsTheInstallationAndKeepsTheEarlierOne) {
    for (const Misbehaviour& m : kFailures) {
        SCOPED_TRACE(m.what);
        errors.clear();
        installtest::RemoveInstallation(install::ReadProgramsPath(), install::ReadDesktopPath());
        server.On(PathOf("quorvane.ini"), m.script(server));
        const std::size_t before = server.Paths().size();
        // The back-offs are another test's concern: short ones keep this table quick.
        TfInstall& f = Install([](TfInstall& form) { form.BackOffMs = {20, 20}; });
        ExpectNothingInstalled(f, m.what);
        const std::vector<std::string> paths = server.Paths();
        EXPECT_EQ(static_cast<std::size_t>(std::count(paths.begin() + before, paths.end(), PathOf("quorvane.ini"))),
                  m.requests);
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

// A network hiccup costs a retry, not the installation: each case breaks the first attempt(s)
// at quorvane.exe, the next one is served, and the file ends up whole. Where the file was cut,
// the next attempt asks for the rest only; the real back-offs (1 s, then 3 s) pass between.
TEST_F(HostileDownloadTest, RetriesAndResumesThroughAHiccup) {
    const std::string body = Product("quorvane.exe");
    const std::string cut = Reply("HTTP/1.0 200 OK", {"Content-Length: " + std::to_string(body.size())},
                                  body.substr(0, body.size() * 6 / 10));
    const std::string rangeAsked = "Range: bytes=" + std::to_string(body.size() * 6 / 10) + "-";
    struct Hiccup {
        const char* what;
        std::vector<Script> turns;
        std::size_t requests;
        const char* secondRequestHas;  // nullptr: asks for the whole file again
        ULONGLONG minimumMs;
    };
    const Hiccup hiccups[] = {
        {"refuses the first two connections", {Script().Reset(), Script().Reset(), Script().File(body)}, 3, nullptr, 4000},
        {"resets at 60 % then honours the range", {Script().Send(cut).Pause(100).Reset(), Script().File(body)}, 2,
         rangeAsked.c_str(), 1000},
        {"answers the range with the whole file", {Script().Send(cut).Pause(100).Reset(), Script().Send(hostile::Ok(body))}, 2,
         rangeAsked.c_str(), 1000},
        {"stalls mid-body", {Script().Send(cut).Hold(), Script().File(body)}, 2, rangeAsked.c_str(), 1500},
    };
    for (const Hiccup& h : hiccups) {
        SCOPED_TRACE(h.what);
        errors.clear();
        installtest::RemoveInstallation(install::ReadProgramsPath(), install::ReadDesktopPath());
        server.OnEach(PathOf("quorvane.exe"), h.turns);
        const std::size_t before = server.Requests().size();
        const long long sentBefore = server.BytesSent();
        TfInstall& f = Install([](TfInstall& form) { form.InactivityTimeOutMs = 500; });
        EXPECT_TRUE(errors.empty()) << errors.front();
        EXPECT_EQ(f.InstallDone, 1);
        EXPECT_TRUE(installtest::ReadFileBytes(dir.Path() + "quorvane.exe") == body);
        EXPECT_GE(elapsedMs, h.minimumMs);
        std::vector<std::string> asked;
        const std::vector<std::string> requests = server.Requests();
        for (auto request = requests.begin() + before; request != requests.end(); ++request)
            if (request->find(PathOf("quorvane.exe") + " ") != std::string::npos) asked.push_back(*request);
        ASSERT_EQ(asked.size(), h.requests) << asked.back();
        EXPECT_EQ(asked[0].find("Range:"), std::string::npos);
        if (h.secondRequestHas) {
            EXPECT_NE(asked[1].find(std::string("\r\n") + h.secondRequestHas + "\r\n"), std::string::npos) << asked[1];
        } else {
            EXPECT_EQ(asked.back().find("Range:"), std::string::npos) << asked.back();
        }
        if (h.turns.back().Steps()[0].What == Script::Step::File) {
            // A resumed file costs little more than the file itself (beside the three other files
            // and a few reply headers).
            long long others = 2000;
            for (const char* file : {"quorvane.ini", "miseajour.exe", "uninstall.exe"}) others += Product(file).size();
            EXPECT_LT(server.BytesSent() - sentBefore, static_cast<long long>(body.size() * 112 / 100) + others) << h.what;
        }
    }
}

std::string g_statusInBackOff;

// Clicks Cancel (confirmed) in the back-off after quorvane.ini's first attempt.
void CALLBACK CancelInBackOff(HWND window, UINT, UINT_PTR id, DWORD) {
    if (!fInstall || fInstall->LblStatus.Text().find("Trying again") == std::string::npos) return;
    KillTimer(window, id);
    g_statusInBackOff = fInstall->LblStatus.Text();
    SendMessageW(fInstall->BtnClose.Handle(), BM_CLICK, 0, 0);
}

TEST_F(HostileDownloadTest, CancelDuringABackOffEndsAtOnce) {
    server.On(PathOf("quorvane.ini"), Script().Reset());
    TfInstall& f = Install([&](TfInstall& form) {
        fInstall = &form;
        form.BackOffMs = {20000, 20000};
        SetTimer(form.Handle(), 7, 10, CancelInBackOff);
    });
    fInstall = nullptr;
    EXPECT_EQ(g_statusInBackOff, "Status : Trying again to download quorvane.ini");
    EXPECT_EQ(f.Cancelled, 1);
    ExpectNothingInstalled(f, "cancelled back-off");
    EXPECT_LT(elapsedMs, 3000u) << "the back-off of 20 s did not end at the cancel";
    const std::vector<std::string> paths = server.Paths();
    EXPECT_EQ(std::count(paths.begin(), paths.end(), PathOf("quorvane.ini")), 1);
}

TEST_F(HostileDownloadTest, SoundOddities) {
    // A redirect to another port, carrying a cookie that later requests to the same server send.
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
    // The cookie is the first server's: the mirror, on another port, never sees it.
    EXPECT_EQ(mirror.Requests().at(0).find("Cookie:"), std::string::npos);
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

// Which failures earn another attempt, and from which byte it continues.
TEST(DownloadRetry, RetriesWhatATryAgainMayMendAndResumesOnlyASoundBeginning) {
    struct Failure {
        std::exception_ptr error;
        int code;
        bool cancelled;
        bool retried;
    };
    const Failure failures[] = {
        {std::make_exception_ptr(net::ESockError("10061:Connection refused")), 0, false, true},
        {std::make_exception_ptr(net::EAbortError("Socket send aborted")), 200, false, true},
        {std::make_exception_ptr(net::EAbortError("Socket send aborted")), 200, true, false},
        {std::make_exception_ptr(net::ESockError("Host Lookup Timed Out")), 0, false, true},
        {std::make_exception_ptr(net::ESockError("Null Remote Address")), 0, false, false},
        {std::make_exception_ptr(DownloadError("500")), 500, false, true},
        {std::make_exception_ptr(DownloadError("404")), 404, false, false},
        {std::make_exception_ptr(DownloadError("cut")), 200, false, true},
        {std::make_exception_ptr(DamagedDownloadError("hash")), 200, false, true},
        {std::make_exception_ptr(std::runtime_error("Cannot create file x")), 200, false, false},
    };
    for (const Failure& f : failures) {
        try {
            std::rethrow_exception(f.error);
        } catch (const std::exception& e) {
            EXPECT_EQ(IsRetryable(e, f.code, f.cancelled), f.retried) << e.what() << " " << f.code;
        }
    }
    struct Resume {
        AttemptResult attempt;
        std::int64_t next;
    };
    const Resume resumes[] = {
        {{0, 200, 0, 600, false}, 600},     // a 200 cut short: continue after what is stored
        {{400, 206, 400, 900, false}, 900}, // a continued 206 cut again: continue after it
        {{0, 206, 400, 100, false}, 0},     // a 206 that did not continue: start again
        {{0, 500, 400, 40, false}, 0},      // an error page replaced the file
        {{-1, 0, 400, 400, false}, 400},    // never reached a body: the file is as it was
        {{0, 200, 0, 1000, true}, 0},       // whole but damaged
    };
    for (const Resume& r : resumes) EXPECT_EQ(NextResumePoint(r.attempt), r.next) << r.attempt.replyCode;
}

}  // namespace

const char* DownloadServer() { return g_server.c_str(); }
