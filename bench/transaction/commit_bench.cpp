// What the transaction costs the finishing steps: the four product files of FOLDER, held and
// verified as the download leaves them, installed over an earlier installation (a) by today's
// plain copies through the held handles, (b) staged, flushed, then committed (journal flushed
// before each step, each earlier file moved aside as a backup, the install record, the backups
// and the journal removed), (c) the bare file-system work that (b)'s rules require and nothing
// else: the same copies into new files, each flushed, three flushed journal writes (begun, the
// moves, committed), a backup move and a placing move per file, then the backups, the staging
// folder and the journal deleted. (c) is the floor under (b) on this system. The three
// alternate, each round into the same directory; prints
//   commit-bench <bytes> <plain ms best> <commit ms best> <plain ms median> <commit ms median> <flush ms>
//     <bare ms best> <bare ms median>
// <flush ms> being the median cost of one FlushFileBuffers of a small file on that disk.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/install/DownloadFolder.h"
#include "app/install/InstallSupport.h"
#include "app/install/ProductFiles.h"
#include "app/transaction/Transaction.h"
#include "app/verify/Sha256.h"
#include "bench/support/Clock.h"
#include "tests/support/TemporaryFiles.h"
#include "tests/support/WholeFile.h"
#include "encoding/TextEncoding.h"

namespace {

constexpr int kRounds = 15;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The file as the download leaves it: held, written through its handle, verified.
std::size_t Download(install::DownloadFolder& folder, const std::string& name, const std::string& bytes) {
    install::HeldDownload& file = folder.Hold(name);
    DWORD written = 0;
    WriteFile(file.Handle(), bytes.data(), DWORD(bytes.size()), &written, nullptr);
    verify::Sha256 hash;
    hash.Update(bytes.data(), bytes.size());
    file.Verified(hash.Finish());
    return bytes.size();
}

// What one FlushFileBuffers of a small file costs here: the floor under each journal record.
double FlushMilliseconds(const std::string& path) {
    HANDLE file = CreateFileW(encoding::WidenPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    std::vector<double> times;
    for (int i = 0; i < 9; ++i) {
        DWORD written = 0;
        WriteFile(file, "record", 6, &written, nullptr);
        const double start = benchclock::Now();
        FlushFileBuffers(file);
        times.push_back(1000 * (benchclock::Now() - start));
    }
    CloseHandle(file);
    DeleteFileW(encoding::WidenPath(path).c_str());
    return Median(times);
}

void FlushWritten(const std::string& path) {
    HANDLE file = CreateFileW(encoding::WidenPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    FlushFileBuffers(file);
    CloseHandle(file);
}

// (c): only what the transaction's rules make the system do, with none of its checks or records.
void BareCommit(const install::DownloadFolder& downloads, const std::string& dir, const std::string& scratch) {
    const auto wide = [](const std::string& path) { return encoding::WidenPath(path); };
    const std::string staging = scratch + "bare-staging\\";
    HANDLE journal = CreateFileW(wide(scratch + "bare.journal").c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    const auto journalRecord = [journal] {
        DWORD written = 0;
        WriteFile(journal, "record\n", 7, &written, nullptr);
        FlushFileBuffers(journal);
    };
    journalRecord();
    CreateDirectoryW(wide(staging).c_str(), nullptr);
    for (const char* name : install::kProductFiles) {
        HANDLE out = CreateFileW(wide(staging + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        downloads.Find(name)->CopyInto(out, staging + name);
        FlushFileBuffers(out);
        CloseHandle(out);
    }
    journalRecord();
    for (const char* name : install::kProductFiles) {
        MoveFileExW(wide(dir + name).c_str(), wide(staging + name + ".backup").c_str(), MOVEFILE_WRITE_THROUGH);
        MoveFileExW(wide(staging + name).c_str(), wide(dir + name).c_str(), MOVEFILE_WRITE_THROUGH);
    }
    journalRecord();
    for (const char* name : install::kProductFiles) DeleteFileW(wide(staging + name + ".backup").c_str());
    RemoveDirectoryW(wide(staging).c_str());
    FILE_DISPOSITION_INFO remove{TRUE};
    SetFileInformationByHandle(journal, FileDispositionInfo, &remove, sizeof remove);
    CloseHandle(journal);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: commit_bench FOLDER\n");
        return 2;
    }
    const std::string source = install::WithBackslash(encoding::NarrowPath(argv[1]));
    testsupport::TemporaryFolder scratch("qv-commit-bench");
    install::DownloadFolder downloads(scratch.Path());
    std::size_t bytes = 0;
    for (const char* name : install::kProductFiles)
        bytes += Download(downloads, name, testsupport::ReadWholeFile(source + name));
    const std::string dir = scratch.Path() + "Installed\\";
    const std::string journal = scratch.Path() + "install.journal";
    CreateDirectoryW(encoding::WidenPath(dir).c_str(), nullptr);
    for (const char* name : install::kProductFiles) downloads.Find(name)->CopyTo(dir + name);

    std::vector<double> plain, commit, bare;
    for (int round = 0; round < kRounds; ++round) {
        double start = benchclock::Now();
        for (const char* name : install::kProductFiles) downloads.Find(name)->CopyTo(dir + name);
        plain.push_back(1000 * (benchclock::Now() - start));
        // Untimed: the disk writes the plain copies' bytes back later, and the next flush (the
        // transaction's first) would otherwise wait for them and be charged with them.
        for (const char* name : install::kProductFiles) FlushWritten(dir + name);

        start = benchclock::Now();
        transaction::Transaction transaction(journal, dir, "bench");
        for (const char* name : install::kProductFiles) {
            const install::HeldDownload* file = downloads.Find(name);
            transaction.Stage(name, [file](HANDLE out, const std::string& path) { file->CopyInto(out, path); });
        }
        transaction.MakeFolders(dir);
        std::vector<transaction::Transaction::StagedFile> staged;
        for (const char* name : install::kProductFiles) staged.push_back({name, dir + name});
        transaction.PlaceStaged(staged);
        transaction.Commit();
        commit.push_back(1000 * (benchclock::Now() - start));

        start = benchclock::Now();
        BareCommit(downloads, dir, scratch.Path());
        bare.push_back(1000 * (benchclock::Now() - start));
    }
    std::printf("commit-bench %zu %.2f %.2f %.2f %.2f %.2f %.2f %.2f\n", bytes,
                *std::min_element(plain.begin(), plain.end()), *std::min_element(commit.begin(), commit.end()),
                Median(plain), Median(commit), FlushMilliseconds(scratch.Path() + "flush.bin"),
                *std::min_element(bare.begin(), bare.end()), Median(bare));
    return 0;
}
