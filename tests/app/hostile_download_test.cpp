// The whole download sequence of the real form against misbehaving servers and a machine that
// refuses to be written: every failure shows an error, leaves InstallDone at 0 and installs
// nothing (no copy, no shortcut, no registry value), and an earlier installation in the chosen
// directory stays as it was. The server's misbehaviours are the HTTP cases with a [download]
// section, played here as the engine's tests play them; the other files are served as this
// build pinned them. The few misbehaviours a sound server may show end in a complete
// installation.
#include "WizardFixture.h"
#include "install/finish_fixture.h"
#include "app/DownloadErrors.h"
#include "app/DownloadRetry.h"
#include "app/DownloadServer.h"
#include "app/install/Registry.h"
#include "net/socket/SocketErrors.h"
#include "tests/net/http/CaseServer.h"
#include "tests/net/http/EngineRun.h"

#include <algorithm>
#include <functional>

using httptest::Actions;
using httptest::Reply;
using httptest::TCaseServer;

namespace {

std::string g_server = "127.0.0.1:1";

const char* const kFiles[] = {"quorvane.exe", "quorvane.ini", "miseajour.exe", "uninstall.exe"};
std::string PathOf(const char* file) { return std::string("/download/lite/") + file; }
std::string Product(const char* file) { return installtest::ProductFileBytes(file); }

class HostileDownloadTest : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        // localhost, as the cases name their server.
        g_server = "localhost:" + std::to_string(server.Port());
        answer = IDYES;  // overwrite the earlier installation; confirm Cancel
        ui::Application::Instance().ErrorHook = [this](const std::string& message) { errors.push_back(message); };
        installtest::RemoveInstallation(install::ReadProgramsPath(), install::ReadDesktopPath());
        for (const char* file : kFiles) installtest::WriteFileBytes(dir.Path() + file, std::string("old ") + file);
        for (const char* file : kFiles) server.Serve(PathOf(file), Product(file));
    }
    void TearDown() override {
        install::TestRegistryFaults() = {};
        ui::Application::Instance().ErrorHook = nullptr;
        server.Finish();
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

    TCaseServer server;
    installtest::ScratchDir dir{"hostile-download"};
    std::vector<std::string> errors;
    ULONGLONG elapsedMs = 0;
};

std::string ClosedPortAddress() { return loopback::Address(loopback::ClosedPort()); }

// The file a case's passes answer: its [download] "file", or the one its URL names.
std::string CaseFile(const THttpCase& c) {
    const std::string url = c.ClientValue("url");
    return c.Download.count("file") ? c.Download.at("file") : url.substr(url.rfind('/') + 1);
}

std::string RangeOf(const std::string& request) {
    const std::size_t at = request.find("\r\nRange: ");
    if (at == std::string::npos) return "-";
    return request.substr(at + 9, request.find("\r\n", at + 9) - at - 9);
}

}  // namespace

void PrintTo(const THttpCase& c, std::ostream* os) { *os << c.Name; }

namespace {

class DownloadCase : public HostileDownloadTest, public testing::WithParamInterface<THttpCase> {};

TEST_P(DownloadCase, EndsAsTheCaseSays) {
    ASSERT_GE(server.Port(), 10000) << "the cases' lengths count a port of five digits";
    const THttpCase c = httptest::CaseOnPort(GetParam(), server.Port());
    const auto said = [&c](const std::string& key) -> std::optional<std::string> {
        const auto found = c.Download.find(key);
        return found == c.Download.end() ? std::nullopt : std::optional(found->second);
    };
    const std::string file = CaseFile(c);
    const std::size_t index = std::find(std::begin(kFiles), std::end(kFiles), file) - std::begin(kFiles);
    ASSERT_LT(index, std::size(kFiles)) << file;
    for (const THttpPass& pass : c.Passes)
        ASSERT_TRUE(!pass.AtOnce || index == 0) << "a pass that acts at once can only answer the first file";
    // The passes answer whatever is asked once the sound files before it came: the file, and
    // the places it redirects to.
    server.On(PathOf(file.c_str()), {});
    server.Start(c.Scripts());
    const long long sentBefore = server.BytesSent();
    TfInstall& f = Install([&](TfInstall& form) {
        if (said("real-back-offs") != "yes") form.BackOffMs = {20, 20};
        if (auto ms = said("inactivity-time-out")) form.InactivityTimeOutMs = std::stoi(*ms);
    });
    const bool installed = said("installed") == "yes";
    if (installed) {
        ExpectInstalled(f);
    } else {
        ExpectNothingInstalled(f, c.Name);
    }
    if (auto words = said("error")) {
        ASSERT_FALSE(errors.empty());
        EXPECT_NE(errors[0].find(*words), std::string::npos) << errors[0];
    }
    if (auto least = said("takes-at-least")) {
        EXPECT_GE(elapsedMs, std::stoull(*least));
    }

    // The files before it came first, whole; the ones after it are never asked for on a failure.
    const std::vector<std::string> requests = server.Requests(), paths = server.Paths();
    for (std::size_t i = 0; i < index; ++i) EXPECT_EQ(paths.at(i), PathOf(kFiles[i]));
    if (index > 0) {
        EXPECT_FALSE(f.DownloadDir.empty()) << "the files before it had a download folder";
    }
    for (std::size_t i = index + 1; i < std::size(kFiles) && !installed; ++i)
        EXPECT_EQ(std::count(paths.begin(), paths.end(), PathOf(kFiles[i])), 0) << kFiles[i];
    std::vector<std::string> ranges;
    // A connection taken at once has no request: it can only be one for the first file.
    for (const std::string& request : requests)
        if (request.empty() || httptest::RequestPath(request) == PathOf(file.c_str()))
            ranges.push_back(RangeOf(request));
    if (auto count = said("requests")) {
        EXPECT_EQ(std::to_string(ranges.size()), *count);
    }
    if (auto expected = said("ranges")) {
        std::string actual;
        for (const std::string& range : ranges) actual += (actual.empty() ? "" : " ") + range;
        EXPECT_EQ(actual, *expected);
    }
    if (said("resumed") == "yes") {
        // A resumed file costs little more than the file itself (beside the three other files
        // and a few reply headers).
        long long others = 2000;
        for (const char* other : kFiles)
            if (other != file) others += static_cast<long long>(Product(other).size());
        EXPECT_LT(server.BytesSent() - sentBefore,
                  static_cast<long long>(Product(file.c_str()).size() * 112 / 100) + others);
    }
}

std::vector<THttpCase> DownloadCases() {
    std::vector<THttpCase> cases;
    for (THttpCase& c : httptest::LoadCases())
        if (!c.Download.empty()) cases.push_back(std::move(c));
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, DownloadCase, testing::ValuesIn(DownloadCases()), [](const auto& info) {
    std::string name = info.param.Name;
    for (char& ch : name)
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
});

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
    const TCaseServer::Script stalls[] = {
        Actions({{THttpAction::Hold, "", 0}}),
        Actions({{THttpAction::Trickle, "HTTP/1.0 200 OK\r\n\r\n" + std::string(500, 't'), 100}})};
    for (const TCaseServer::Script& stall : stalls) {
        errors.clear();
        server.On(PathOf("quorvane.ini"), {stall});
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

std::string g_statusInBackOff;

// Clicks Cancel (confirmed) in the back-off after quorvane.ini's first attempt.
void CALLBACK CancelInBackOff(HWND window, UINT, UINT_PTR id, DWORD) {
    if (!fInstall || fInstall->LblStatus.Text().find("Trying again") == std::string::npos) return;
    KillTimer(window, id);
    g_statusInBackOff = fInstall->LblStatus.Text();
    SendMessageW(fInstall->BtnClose.Handle(), BM_CLICK, 0, 0);
}

TEST_F(HostileDownloadTest, CancelDuringABackOffEndsAtOnce) {
    server.On(PathOf("quorvane.ini"), {Actions({{THttpAction::Reset, "", 0}})});
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

// A redirect to another port, carrying a cookie that later requests to the same server send.
TEST_F(HostileDownloadTest, ARedirectToAMirrorKeepsTheCookieForItsOwnServer) {
    TCaseServer mirror;
    mirror.Serve("/mirror/quorvane.exe", Product("quorvane.exe"));
    server.On(
        PathOf("quorvane.exe"),
        {Actions({{THttpAction::Send,
                   Reply("HTTP/1.0 302 Found",
                         {"Location: http://" + mirror.Address() + "/mirror/quorvane.exe", "Set-Cookie: qv=1"}, ""),
                   0}})});
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
    server.On(PathOf("quorvane.ini"),
              {Actions({{THttpAction::Delay, "", 1000},
                        {THttpAction::Send, Reply("HTTP/1.0 200 OK", {}, "new quorvane.ini"), 0}})});
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
    EXPECT_EQ(installtest::ReadRegString(HKEY_LOCAL_MACHINE, installtest::kUninstallKeys[1], "DisplayName"),
              "<missing>");
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
        {{0, 200, 0, 600, false}, 600},      // a 200 cut short: continue after what is stored
        {{400, 206, 400, 900, false}, 900},  // a continued 206 cut again: continue after it
        {{0, 206, 400, 100, false}, 0},      // a 206 that did not continue: start again
        {{0, 500, 400, 40, false}, 0},       // an error page replaced the file
        {{-1, 0, 400, 400, false}, 400},     // never reached a body: the file is as it was
        {{0, 200, 0, 1000, true}, 0},        // whole but damaged
    };
    for (const Resume& r : resumes) EXPECT_EQ(NextResumePoint(r.attempt), r.next) << r.attempt.replyCode;
}

}  // namespace

const char* DownloadServer() { return g_server.c_str(); }
