// The whole download sequence of the real form against misbehaving servers and a machine that
// refuses to be written: every failure shows an error, leaves InstallDone at 0 and installs
// nothing (no copy, no shortcut, no registry value), and an earlier installation in the chosen
// directory stays as it was. The server's misbehaviours are the HTTP cases with a [download]
// section, played here as the engine's tests play them; the other files, and the release
// manifest before them, are served as this build published them. The few misbehaviours a sound
// server may show end in a complete installation.
#include "tests/app/wizard/DownloadFixture.h"
#include "app/cache/CacheRules.h"
#include "app/cache/DownloadCache.h"
#include "app/download/DownloadErrors.h"
#include "app/download/DownloadRetry.h"
#include "app/download/DownloadServer.h"
#include "app/outcome/ExitCode.h"
#include "app/verify/Sha256.h"
#include "net/socket/SocketErrors.h"
#include "tests/net/http/EngineRun.h"
#include "tests/support/Loopback.h"
#include "ui/OwnedHandle.h"

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>

using httptest::Actions;
using httptest::Reply;
using httptest::TCaseServer;

void PrintTo(const THttpCase& c, std::ostream* os) { *os << c.Name; }

namespace {

// Every failure must leave the earlier installation as it was; the retries keep their own pauses.
class HostileDownloadTest : public DownloadFixture {
protected:
    void SetUp() override {
        DownloadFixture::SetUp();
        answer = IDYES;  // overwrite the earlier installation; confirm Cancel
        realBackOffs = true;
        EarlierInstallation();
        ServeAll();
    }

    // quorvane.exe and quorvane.ini verified and held, the reply for miseajour.exe held back a
    // while: `act` runs meanwhile, before any copy.
    TfInstall& InstallActingBeforeTheCopies(const std::function<void(TfInstall&)>& act) {
        server.On(
            PathOf("miseajour.exe"),
            {Actions({{THttpAction::Delay, "", 600}, {THttpAction::Send, httptest::Ok(Product("miseajour.exe")), 0}})});
        return Install([&](TfInstall& form) {
            OnTick([&form] { return form.Download.CurrentFile == "miseajour.exe"; }, [&] { act(form); });
        });
    }
};

// What the [download] section's "kept" says an earlier run left of `file` in the download cache:
// "<n>" its first n bytes, "all" the whole file, "... as <c>" as many bytes c instead.
std::string KeptBytes(const std::string& file, const std::string& kept) {
    const std::size_t as = kept.find(" as ");
    const std::string count = kept.substr(0, as);
    const std::size_t size = count == "all" ? file.size() : std::stoul(count);
    return as == std::string::npos ? file.substr(0, size) : std::string(size, kept[as + 4]);
}

std::string RangeOf(const std::string& request) {
    const std::size_t at = request.find("\r\nRange: ");
    if (at == std::string::npos) return "-";
    return request.substr(at + 9, request.find("\r\n", at + 9) - at - 9);
}

class DownloadCase : public HostileDownloadTest, public testing::WithParamInterface<THttpCase> {};

TEST_P(DownloadCase, EndsAsTheCaseSays) {
    ASSERT_GE(server.Port(), 10000) << "the cases' lengths count a port of five digits";
    const THttpCase c = httptest::CaseOnPort(GetParam(), server.Port());
    const auto said = [&c](const std::string& key) -> std::optional<std::string> {
        const auto found = c.Download.find(key);
        return found == c.Download.end() ? std::nullopt : std::optional(found->second);
    };
    // The file the passes answer: the case's "file", or the one its URL names.
    const std::string url = c.ClientValue("url");
    const std::string file = said("file").value_or(url.substr(url.rfind('/') + 1));
    const std::size_t index = std::find(std::begin(kFiles), std::end(kFiles), file) - std::begin(kFiles);
    ASSERT_LT(index, std::size(kFiles)) << file;
    for (const THttpPass& pass : c.Passes)
        ASSERT_TRUE(!pass.AtOnce || index == 0) << "a pass that acts at once can only answer the first file";
    // The passes answer whatever is asked once the sound files before it came: the file, and
    // the places it redirects to.
    server.On(PathOf(file), {});
    server.Start(c.Scripts());
    // As the signed manifest the build published lists it.
    const std::string published = Product(file);
    verify::Sha256 hash;
    hash.Update(published.data(), published.size());
    const release::TReleaseFile expected{file, published.size(), hash.Finish()};
    if (auto kept = said("kept")) Keep(expected, KeptBytes(Product(file), *kept));
    const long long sentBefore = server.BytesSent();
    realBackOffs = said("real-back-offs") == "yes";
    TfInstall& f = Install([&](TfInstall& form) {
        if (auto ms = said("inactivity-time-out")) form.Download.InactivityTimeOutMs = std::stoi(*ms);
    });
    const bool installed = said("installed") == "yes";
    if (installed) ExpectInstalled(f);
    else ExpectNothingInstalled(f, c.Name);
    if (auto words = said("error")) {
        ASSERT_FALSE(errors.empty());
        EXPECT_NE(errors[0].find(*words), std::string::npos) << errors[0];
    }
    if (auto code = said("exit")) {
        EXPECT_EQ(std::to_string(f.ExitCode()), *code);
    }
    // A file that failed its check is not kept for the next run; what a cut left is.
    if (f.ExitCode() == outcome::kExitDamagedDownload) {
        EXPECT_EQ(CachedFiles().find(cache::KeptName(expected)), std::string::npos) << CachedFiles();
    }
    if (auto least = said("takes-at-least")) {
        EXPECT_GE(elapsedMs, std::stoull(*least));
    }

    // The files before it came first, whole; the ones after it are never asked for on a failure.
    const std::vector<std::string> requests = server.Requests(), paths = server.Paths();
    // The manifest and its signature come first.
    for (std::size_t i = 0; i < index; ++i) EXPECT_EQ(paths.at(std::size(kManifestFiles) + i), PathOf(kFiles[i]));
    if (index > 0) {
        EXPECT_FALSE(f.DownloadDir.empty()) << "the files before it had a download folder";
    }
    for (std::size_t i = index + 1; i < std::size(kFiles) && !installed; ++i)
        EXPECT_EQ(std::count(paths.begin(), paths.end(), PathOf(kFiles[i])), 0) << kFiles[i];
    std::vector<std::string> ranges;
    // A connection taken at once has no request: it can only be one for the first file.
    for (const std::string& request : requests)
        if (request.empty() || httptest::RequestPath(request) == PathOf(file)) ranges.push_back(RangeOf(request));
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
        EXPECT_LT(server.BytesSent() - sentBefore, static_cast<long long>(Product(file).size() * 112 / 100) + others);
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
    g_downloadServer = loopback::Address(loopback::ClosedPort());
    TfInstall& f = Install();
    ExpectNothingInstalled(f, "refused port");
    EXPECT_EQ(server.Connections(), 0);
}

TEST_F(HostileDownloadTest, CancelEndsAServerThatNeverAnswersOrTrickles) {
    const TCaseServer::Script stalls[] = {
        Actions({{THttpAction::Hold, "", 0}}),
        Actions({{THttpAction::Trickle, "HTTP/1.0 200 OK\r\n\r\n" + std::string(500, 't'), 100}})};
    for (const TCaseServer::Script& stall : stalls) {
        errors.clear();
        server.On(PathOf("quorvane.ini"), {stall});
        // Cancel (confirmed by the box's answer) once the wait has begun.
        TfInstall& f =
            Install([&](TfInstall& form) { OnTick([] { return true; }, [&] { Click(form.BtnClose); }, 400); });
        EXPECT_EQ(f.Cancelled, 1);
        EXPECT_TRUE(f.Closed());
        ExpectNothingInstalled(f, "cancelled stall");
        EXPECT_LT(elapsedMs, 5000u);
    }
}

TEST_F(HostileDownloadTest, CancelDuringABackOffEndsAtOnce) {
    server.On(PathOf("quorvane.ini"), {Actions({{THttpAction::Reset, "", 0}})});
    std::string statusInBackOff, paceInBackOff;
    TfInstall& f = Install([&](TfInstall& form) {
        form.Download.BackOffMs = {20000, 20000};
        // Cancel (confirmed) in the back-off after quorvane.ini's first attempt, once the line
        // under the bar counts down to it.
        OnTick([&] { return form.LblPace.Text().rfind("Trying again in ", 0) == 0; },
               [&] {
                   statusInBackOff = form.LblStatus.Text();
                   paceInBackOff = form.LblPace.Text();
                   Click(form.BtnClose);
               });
    });
    EXPECT_EQ(statusInBackOff, "Status : Trying again to download quorvane.ini");
    EXPECT_EQ(paceInBackOff, "Trying again in 20 s");
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
    ASSERT_EQ(requests.size(), 6u);  // the manifest and its signature first
    EXPECT_NE(requests[5].find("\r\nCookie: qv=1\r\n"), std::string::npos) << requests[5];
}

// The download's file cannot be created in the download folder: a folder of its name appears
// there while the file before it is on its way (each file is made new, when its turn comes).
TEST_F(HostileDownloadTest, ATemporaryFileThatCannotBeCreatedStopsTheInstallation) {
    server.On(
        PathOf("quorvane.exe"),
        {Actions({{THttpAction::Delay, "", 1000}, {THttpAction::Send, httptest::Ok(Product("quorvane.exe")), 0}})});
    TfInstall& f = Install([&](TfInstall& form) {
        form.DataFolder.clear();  // no cache: a folder of this run's own
        OnTick([&] { return form.Download.CurrentFile == "quorvane.exe"; },
               [&] { CreateDirectoryW(encoding::WidenPath(form.DownloadDir + "quorvane.ini").c_str(), nullptr); }, 20);
    });
    ExpectNothingInstalled(f, "temporary file");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("Cannot create file", 0), 0u) << errors[0];
    EXPECT_NE(errors[0].find("quorvane.ini"), std::string::npos) << errors[0];
}

// The accounts other than SYSTEM, the administrators and the owner that the folder grants
// anything to (SDDL SIDs); "<unreadable>" when its rights cannot be read.
std::string OthersGranted(const std::string& folder) {
    PACL dacl = nullptr;
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(encoding::WidenPath(folder).c_str(), SE_FILE_OBJECT,
                              DACL_SECURITY_INFORMATION | OWNER_SECURITY_INFORMATION, &owner, nullptr, &dacl, nullptr,
                              &descriptor) != ERROR_SUCCESS)
        return "<unreadable>";
    std::string others;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&ace)) || ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue;
        PSID sid = &ace->SidStart;
        wchar_t* text = nullptr;
        if (EqualSid(sid, owner) || !ConvertSidToStringSidW(sid, &text)) continue;
        const std::string name = encoding::Narrow(text);
        LocalFree(text);
        if (name != "S-1-5-18" && name != "S-1-5-32-544") others += name + " ";
    }
    LocalFree(descriptor);
    return others;
}

// Wine runs a program elevated, so the folder gets the administrators' rights (Wine keeps them as
// the folder's Unix permissions, which is what can be read back), and the sharing of the held
// files is Wine's own, as on Windows.
TEST_F(HostileDownloadTest, AVerifiedFileCannotBeSwappedBeforeItsCopy) {
    std::string others = "not read", attempts;
    TfInstall& f = InstallActingBeforeTheCopies([&](TfInstall& form) {
        others = OthersGranted(form.DownloadDir);
        const std::wstring exe = encoding::WidenPath(form.Downloads->Find("quorvane.exe")->Path());
        const std::wstring planted = encoding::WidenPath(form.DownloadDir + "planted.exe");
        testsupport::WriteWholeFile(form.DownloadDir + "planted.exe", "planted");
        const auto opened = [&](DWORD access) {
            HANDLE file = CreateFileW(exe.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
            if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
            return file != INVALID_HANDLE_VALUE;
        };
        const std::pair<const char*, bool> tries[] = {
            {"write", opened(GENERIC_WRITE)},
            {"append", opened(FILE_APPEND_DATA)},
            {"delete", DeleteFileW(exe.c_str()) != FALSE},
            {"replace", MoveFileExW(planted.c_str(), exe.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE},
            {"rename", MoveFileW(exe.c_str(), (exe + L".old").c_str()) != FALSE}};
        for (const auto& [what, done] : tries) attempts += std::string(what) + (done ? " done " : " refused ");
        DeleteFileW(planted.c_str());
    });
    EXPECT_EQ(others, "");
    EXPECT_EQ(attempts, "write refused append refused delete refused replace refused rename refused ");
    ExpectInstalled(f);
}

// The only handle that may write to a verified file is the download's own: a test of this
// process writes through it, as a fault of ours would. The finishing steps read every file again
// first: quorvane.ini, copied after quorvane.exe and miseajour.exe, is refused before anything is
// written, and the run ends as damaged.
TEST_F(HostileDownloadTest, AVerifiedFileChangedBeforeItsCopyIsDamagedAndNothingIsInstalled) {
    TfInstall& f = InstallActingBeforeTheCopies([](TfInstall& form) {
        DWORD written = 0;
        OVERLAPPED firstByte{};
        WriteFile(form.Downloads->Find("quorvane.ini")->Handle(), "X", 1, &written, &firstByte);
    });
    ExpectNothingInstalled(f, "changed before its copy");
    EXPECT_EQ(errors, std::vector<std::string>{"quorvane.ini is damaged or not the expected file (it changed after "
                                               "its check). Nothing was installed."});
    EXPECT_EQ(f.ExitCode(), outcome::kExitDamagedDownload);
}

// A temporary path that cannot hold a download folder stops the run before any request.
TEST_F(HostileDownloadTest, AnUnusableTemporaryPathDownloadsNothing) {
    testsupport::TemporaryFolder temp("hostile-temp");
    testsupport::WriteWholeFile(temp.Path() + "a file", "");
    // The current directory and the current drive's root exist: only refusing a path that is
    // not a full one keeps the download out of them.
    const std::string unusable[] = {"", ".\\", "\\", temp.Path() + "missing\\", temp.Path() + "a file\\"};
    for (const std::string& path : unusable) {
        errors.clear();
        TfInstall& f = Install([&](TfInstall& form) {
            form.TempPath = path;
            form.DataFolder.clear();
        });
        ExpectNothingInstalled(f, "temporary path \"" + path + "\"");
        EXPECT_EQ(f.DownloadDir, "") << path;
        // The release manifest, held in memory, comes first: it names the files the cache keeps.
        for (const std::string& asked : server.Paths())
            EXPECT_EQ(asked.rfind(PathOf("release.manifest"), 0), 0u) << path << ": " << asked;
    }
}

// The earlier installation's product is running (its file held open without write sharing):
// after the download, before anything changes, the box names the file. Retry while it is held
// asks again; Retry once it was let go installs; Cancel ends the run with nothing changed, and so
// does a silent run, at once, with its own exit code.
TEST_F(HostileDownloadTest, AProductFileInUseIsFoundBeforeAnythingChanges) {
    struct Case {
        const char* what;
        std::vector<int> answers;  // to the files-in-use boxes, in order; none: a silent run
        bool releaseBeforeLast;
        int exitCode;
    };
    // The installation last: the others must leave nothing to clean.
    const Case cases[] = {{"cancel", {IDRETRY, IDCANCEL}, false, outcome::kExitCancelled},
                          {"silent", {}, false, outcome::kExitFilesInUse},
                          {"retry twice", {IDRETRY, IDRETRY}, true, outcome::kExitSuccess}};
    for (const Case& c : cases) {
        EarlierInstallation();
        errors.clear();
        auto running = std::make_unique<ui::OwnedHandle>(
            CreateFileW(encoding::Widen(dir.Path() + "quorvane.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                        OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(running->Valid());
        std::vector<std::string> inUseBoxes;
        ui::Application::Instance().MessageBoxHook = [&](const std::string& text, const std::string& caption, UINT) {
            if (caption != "Files in use") return IDYES;
            inUseBoxes.push_back(text);
            if (c.releaseBeforeLast && inUseBoxes.size() == c.answers.size()) running.reset();
            return inUseBoxes.size() <= c.answers.size() ? c.answers[inUseBoxes.size() - 1] : IDCANCEL;
        };
        TfInstall& f = Install([&](TfInstall& form) {
            if (c.answers.empty()) form.AskFilesInUse = nullptr;
        });
        running.reset();
        EXPECT_EQ(f.ExitCode(), c.exitCode) << c.what;
        EXPECT_EQ(inUseBoxes.size(), c.answers.size()) << c.what;
        for (const std::string& text : inUseBoxes)
            EXPECT_NE(text.find(dir.Path() + "quorvane.exe\n"), std::string::npos) << c.what << ": " << text;
        if (c.exitCode == outcome::kExitSuccess) {
            ExpectInstalled(f);
            continue;
        }
        // Cancel shows no error; a silent run's error names the file.
        EXPECT_EQ(errors.size(), c.answers.empty() ? 1u : 0u) << c.what;
        if (!errors.empty()) {
            EXPECT_NE(errors[0].find("quorvane.exe"), std::string::npos) << errors[0];
        }
        EXPECT_EQ(f.InstallDone, 0) << c.what;
        ExpectNoNewFiles(c.what);
        EXPECT_EQ(installtest::ReadRegString(HKEY_LOCAL_MACHINE, install::kLocationKey, install::kLocationValue),
                  "<missing>")
            << c.what;
        ExpectDownloadFolderGone(f, c.what);
    }
}

// The uninstall entry cannot be written: the finishing steps stop with the registry's message and
// the installation is not done, so closing the wizard writes no settings and no Run value.
TEST_F(HostileDownloadTest, ARegistryKeyThatCannotBeWrittenLeavesTheInstallationUndone) {
    install::TestRegistryFaults() = {installtest::kUninstallKeys[1], ""};
    TfInstall& f = Install();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], std::string("Failed to create key ") + installtest::kUninstallKeys[1]);
    EXPECT_EQ(f.InstallDone, 0);
    DeleteFileW(encoding::Widen(installtest::SettingsFilePath()).c_str());
    f.Close();
    EXPECT_FALSE(testsupport::Exists(installtest::SettingsFilePath()));
    EXPECT_EQ(installtest::RunValue(), "<missing>");
}

// The settings file cannot be written at close (a folder has its name): the error box, and the
// whole installation is rolled back, the files of page 4 included.
TEST_F(HostileDownloadTest, ASettingsFileThatCannotBeWrittenRollsBackTheWholeInstallation) {
    TfInstall& f = Install();
    ExpectInstalled(f);
    const std::wstring settings = encoding::Widen(installtest::SettingsFilePath());
    DeleteFileW(settings.c_str());
    ASSERT_TRUE(CreateDirectoryW(settings.c_str(), nullptr));
    SendMessageW(f.chkStartNow.Handle(), BM_SETCHECK, BST_UNCHECKED, 0);
    f.Close();
    RemoveDirectoryW(settings.c_str());
    EXPECT_TRUE(f.Closed());
    EXPECT_EQ(errors, std::vector<std::string>{"Unable to write to Quorvane_b.ini"});
    ExpectNoNewFiles();
    EXPECT_EQ(installtest::ReadRegString(HKEY_LOCAL_MACHINE, install::kLocationKey, install::kLocationValue),
              "<missing>");
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
        {std::make_exception_ptr(net::ESockError(net::SockErrorKind::SocketCall, "10061:Connection refused", 10061)), 0,
         false, true},
        {std::make_exception_ptr(net::ESockError(net::SockErrorKind::ConnectFailed, "Connection Failed")), 0, false,
         true},
        {std::make_exception_ptr(net::EAbortError("Socket send aborted")), 200, false, true},
        {std::make_exception_ptr(net::EAbortError("Socket send aborted")), 200, true, false},
        {std::make_exception_ptr(net::ESockError(net::SockErrorKind::LookupTimedOut, "Host Lookup Timed Out")), 0,
         false, true},
        {std::make_exception_ptr(net::ESockError(net::SockErrorKind::HostNotFound, "Null Remote Address")), 0, false,
         false},
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

const char* DownloadServer() { return g_downloadServer.c_str(); }
