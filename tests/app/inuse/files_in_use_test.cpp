// Files in use for real under Wine: a file another open holds (whatever it shares) or a running
// program's image is in use; a file nobody holds, a missing one or a folder is not. Then the wait:
// a silent run ends at once, Cancel ends it, Retry checks again until the files are free.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "app/inuse/FilesInUse.h"
#include "tests/support/TemporaryFiles.h"
#include "tests/support/WholeFile.h"
#include "ui/OwnedHandle.h"
#include "encoding/TextEncoding.h"

namespace {

using testsupport::TemporaryFolder;

HANDLE Hold(const std::string& path, DWORD access, DWORD share) {
    return CreateFileW(encoding::WidenPath(path).c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr);
}

class FilesInUse : public testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"held.exe", "free.ini",
                                 "\xC5\x81\xC3\xB3"
                                 "d\xC5\xBA.dat"})
            testsupport::WriteWholeFile(folder.Path() + name, name);
        CreateDirectoryW(encoding::WidenPath(folder.Path() + "a folder").c_str(), nullptr);
    }
    std::vector<std::string> All() const {
        std::vector<std::string> paths;
        for (const char* name : {"held.exe", "free.ini",
                                 "\xC5\x81\xC3\xB3"
                                 "d\xC5\xBA.dat",
                                 "missing.exe", "a folder"})
            paths.push_back(folder.Path() + name);
        return paths;
    }
    TemporaryFolder folder{"qv-inuse"};
};

TEST_F(FilesInUse, AnyOtherOpenOfAFileIsAUse) {
    struct Holder {
        DWORD access, share;
    };
    // A program's own files as it keeps them: read only, read with everyone's sharing, written.
    const Holder holders[] = {{GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE},
                              {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE},
                              {GENERIC_WRITE, FILE_SHARE_READ}};
    for (const Holder& holder : holders) {
        const ui::OwnedHandle held(Hold(folder.Path() + "held.exe", holder.access, holder.share));
        const ui::OwnedHandle other(Hold(folder.Path() + "\xC5\x81\xC3\xB3"
                                                         "d\xC5\xBA.dat",
                                         holder.access, holder.share));
        ASSERT_TRUE(held.Valid() && other.Valid());
        const inuse::TFilesInUse found = inuse::FindFilesInUse(All());
        EXPECT_EQ(found.Files, (std::vector<std::string>{folder.Path() + "held.exe", folder.Path() + "\xC5\x81\xC3\xB3"
                                                                                                     "d\xC5\xBA.dat"}))
            << holder.access << " " << holder.share;
    }
    EXPECT_TRUE(inuse::FindFilesInUse(All()).Empty());
}

// The image of a running program: Windows and Wine refuse a write open of it.
TEST_F(FilesInUse, ARunningProgramsFileIsInUse) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::string program = folder.Path() + "running.exe";
    ASSERT_TRUE(CopyFileW(self, encoding::WidenPath(program).c_str(), FALSE));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring line = L"\"" + encoding::WidenPath(program) + L"\" --gtest_filter=None.Wait";
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                               &startup, &process));
    EXPECT_EQ(inuse::FindFilesInUse({program}).Files, std::vector<std::string>{program});
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    bool freed = false;
    for (int i = 0; i < 50 && !freed; ++i, Sleep(100)) freed = inuse::FindFilesInUse({program}).Empty();
    EXPECT_TRUE(freed);
}

TEST_F(FilesInUse, TheWaitEndsSilentlyOnCancelOrOnceTheFilesAreFree) {
    auto held = std::make_unique<ui::OwnedHandle>(Hold(folder.Path() + "held.exe", GENERIC_READ, FILE_SHARE_READ));
    ASSERT_TRUE(held->Valid());
    // A silent run: no one to ask.
    try {
        inuse::WaitUntilNotInUse(All(), nullptr);
        ADD_FAILURE() << "no error";
    } catch (const inuse::FilesInUseError& error) {
        EXPECT_NE(std::string(error.what()).find("held.exe"), std::string::npos) << error.what();
    }
    int asked = 0;
    EXPECT_THROW(inuse::WaitUntilNotInUse(All(), [&](const inuse::TFilesInUse&) { return ++asked < 0; }),
                 inuse::InUseCancelled);
    EXPECT_EQ(asked, 1);
    // Retry while held shows the box again; Retry once it was let go ends the wait.
    asked = 0;
    inuse::WaitUntilNotInUse(All(), [&](const inuse::TFilesInUse& found) {
        EXPECT_EQ(found.Files, std::vector<std::string>{folder.Path() + "held.exe"});
        if (++asked == 2) held.reset();
        return true;
    });
    EXPECT_EQ(asked, 2);
    EXPECT_NO_THROW(inuse::WaitUntilNotInUse(All(), nullptr));
}

}  // namespace
