// The download cache on the real file system under Wine: what its cleaning keeps, a kept part
// that continues, what goes after a failed check and after a success, and folders it must not
// trust (planted by plant-untrusted.sh from the Unix side).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/cache/CacheRules.h"
#include "app/cache/DownloadCache.h"
#include "tests/support/TemporaryFiles.h"
#include "tests/support/WholeFile.h"
#include "encoding/TextEncoding.h"

namespace {

using install::FolderRights;

release::TReleaseFile Expected(const std::string& name, std::uint64_t size, std::uint8_t seed) {
    release::TReleaseFile file{name, size, {}};
    for (std::size_t i = 0; i < file.Sha256.size(); ++i) file.Sha256[i] = std::uint8_t(seed + i);
    return file;
}

const release::TReleaseFile kExe = Expected("quorvane.exe", 1000, 1);
const release::TReleaseFile kIni = Expected("quorvane.ini", 10, 2);
const release::TReleaseFile kOlder = Expected("quorvane.exe", 900, 3);  // of another release
const std::vector<release::TReleaseFile> kRelease = {kExe, kIni};

void Write(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr));
}

void SetAge(const std::string& path, double days) {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER time{{now.dwLowDateTime, now.dwHighDateTime}};
    time.QuadPart -= static_cast<long long>(days * 24 * 3600) * 10'000'000LL;
    const FILETIME when{time.LowPart, time.HighPart};
    HANDLE file =
        CreateFileW(encoding::WidenPath(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    SetFileTime(file, nullptr, nullptr, &when);
    CloseHandle(file);
}

class DownloadCacheTest : public ::testing::Test {
protected:
    testsupport::TemporaryFolder data{"cache-data"};
    testsupport::TemporaryFolder temp{"cache-temp"};
    // Made by the cache itself, as its folder under %ProgramData% would be.
    std::string Own() const { return data.Path() + "Quorvane\\"; }
    std::string Cached(const std::string& name) const { return Own() + "Cache\\" + name; }
    cache::DownloadCache Open(const std::vector<release::TReleaseFile>& release = kRelease) {
        return cache::DownloadCache(Own(), FolderRights::AdminsOnly, release, temp.Path());
    }
};

// Each entry left in the cache, and whether the cleaning at the start of a run keeps it.
TEST_F(DownloadCacheTest, CleaningKeepsTheReleaseAndFreshPartsOnly) {
    { Open({}); }  // the folders, made as the installer makes them
    struct Entry {
        std::string name;
        double ageDays;
        bool stays;
    };
    const Entry entries[] = {
        {cache::KeptName(kExe), 30, true},    // of the release being installed, however old
        {cache::KeptName(kOlder), 13, true},  // another release's part, younger than 14 days
        {cache::KeptName(kOlder) + "x", 0, false},
        {"0123abcd.part", 0, false},  // not a name the cache writes
        {"notes.txt", 0, false},      // junk
    };
    for (const Entry& entry : entries) {
        testsupport::WriteWholeFile(Cached(entry.name), "bytes");
        SetAge(Cached(entry.name), entry.ageDays);
    }
    // Another release's part past 14 days, and one dated in the future.
    const std::string stale = cache::KeptName(Expected("a", 1, 7)), ahead = cache::KeptName(Expected("b", 1, 8));
    testsupport::WriteWholeFile(Cached(stale), "old");
    SetAge(Cached(stale), 14.01);
    testsupport::WriteWholeFile(Cached(ahead), "ahead");
    SetAge(Cached(ahead), -3);
    // A second name of a file elsewhere: writing to it would write there.
    testsupport::WriteWholeFile(temp.Path() + "elsewhere", "elsewhere");
    ASSERT_TRUE(CreateHardLinkW(encoding::WidenPath(Cached(cache::KeptName(kIni))).c_str(),
                                encoding::WidenPath(temp.Path() + "elsewhere").c_str(), nullptr));
    CreateDirectoryW(encoding::WidenPath(Cached("empty")).c_str(), nullptr);
    CreateDirectoryW(encoding::WidenPath(Cached("full")).c_str(), nullptr);
    testsupport::WriteWholeFile(Cached("full\\inside"), "inside");

    const cache::DownloadCache opened = Open();
    EXPECT_TRUE(opened.KeepsFiles()) << "a cache the installer made is trusted again";
    for (const Entry& entry : entries) EXPECT_EQ(testsupport::Exists(Cached(entry.name)), entry.stays) << entry.name;
    EXPECT_FALSE(testsupport::Exists(Cached(stale)));
    EXPECT_FALSE(testsupport::Exists(Cached(ahead)));
    EXPECT_FALSE(testsupport::Exists(Cached(cache::KeptName(kIni))));
    EXPECT_EQ(testsupport::ReadWholeFile(temp.Path() + "elsewhere"), "elsewhere");
    EXPECT_FALSE(testsupport::Exists(Cached("empty")));
    EXPECT_EQ(testsupport::ReadWholeFile(Cached("full\\inside")), "inside") << "never recursive";
}

// A part left by one run is what the next one continues from; a failed check removes it, a
// success empties the cache.
TEST_F(DownloadCacheTest, APartContinuesUntilItFailsItsCheckOrTheInstallationSucceeds) {
    const std::string half(500, 'h');
    {
        cache::DownloadCache first = Open();
        Write(first.Hold(kExe).Handle(), half);
    }
    {
        cache::DownloadCache second = Open();
        install::HeldDownload& held = second.Hold(kExe);
        EXPECT_EQ(held.Path(), Cached(cache::KeptName(kExe)));
        std::string replayed;
        EXPECT_EQ(
            cache::ReplayKept(held, kExe, [&](const char* data, std::size_t size) { replayed.append(data, size); }),
            500u);
        EXPECT_EQ(replayed, half);
        EXPECT_EQ(second.Find("quorvane.exe"), &held);
        second.Discard("quorvane.exe");
    }
    EXPECT_FALSE(testsupport::Exists(Cached(cache::KeptName(kExe))));
    {
        // More than the file can hold: nothing of it is continued.
        cache::DownloadCache third = Open({kIni});
        install::HeldDownload& held = third.Hold(kIni);
        Write(held.Handle(), std::string(11, 'x'));
        EXPECT_EQ(cache::ReplayKept(held, kIni, [](const char*, std::size_t) { FAIL() << "replayed"; }), 0u);
        EXPECT_EQ(held.Size(), 0u);
        Write(third.Hold(kExe).Handle(), "whole");
        Write(held.Handle(), "0123456789");
        testsupport::WriteWholeFile(Cached("notes.txt"), "");
        third.Installed();
        EXPECT_EQ(third.Path(), Own() + "Cache\\");
    }
    for (const std::string& name : {cache::KeptName(kExe), cache::KeptName(kIni), std::string("notes.txt")})
        EXPECT_FALSE(testsupport::Exists(Cached(name))) << name;
}

// Folders the installer did not make as it makes them: the run downloads into a folder of its
// own, removed at its end, and nothing of what was planted, nor what its links lead to, changes.
TEST_F(DownloadCacheTest, AFolderThatIsNotTheInstallersOwnIsNeitherUsedNorTouched) {
    std::string planted = QUORVANE_CACHE_PLANTED;
    for (char& c : planted)
        if (c == '/') c = '\\';
    const struct {
        const char* folder;
        FolderRights rights;
    } cases[] = {{"links", FolderRights::Inherited},
                 {"cache-link", FolderRights::Inherited},
                 {"world", FolderRights::AdminsOnly},
                 {"owner", FolderRights::AdminsOnly}};
    for (const auto& [folder, rights] : cases) {
        const std::string dataFolder = planted + "\\" + folder + "\\Quorvane\\";
        if (!testsupport::Exists(dataFolder)) {
            ADD_FAILURE() << folder << " was not planted (another owner needs root)";
            continue;
        }
        std::string runFolder;
        {
            cache::DownloadCache opened(dataFolder, rights, kRelease, temp.Path());
            EXPECT_FALSE(opened.KeepsFiles()) << folder;
            runFolder = opened.Path();
            EXPECT_EQ(runFolder.rfind(temp.Path(), 0), 0u) << folder << ": " << runFolder;
            Write(opened.Hold(kExe).Handle(), "downloaded");
        }
        EXPECT_FALSE(testsupport::Exists(runFolder)) << folder;
        if (std::string(folder) == "world" || std::string(folder) == "owner") {
            EXPECT_EQ(testsupport::ReadWholeFile(dataFolder + "Cache\\notes.txt"), "planted\n") << folder;
        }
    }
    EXPECT_EQ(testsupport::ReadWholeFile(planted + "\\outside\\system.txt"), "a file of the system\n");
    EXPECT_EQ(testsupport::ReadWholeFile(planted + "\\outside\\folder\\kept.txt"), "kept\n");
    EXPECT_TRUE(testsupport::Exists(planted + "\\links\\Quorvane\\Cache\\notes.txt")) << "the link is left";
}

}  // namespace
