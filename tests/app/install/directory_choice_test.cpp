// Page 3's checks on real folders of the Wine prefix.
#include "app/install/DirectoryChoice.h"

#include "InstallTestSupport.h"
#include "encoding/TextEncoding.h"

#include <gtest/gtest.h>

using namespace installtest;

namespace {

// Boxes show UTF-8.
const std::string kFrenchOverwrite =
    "Il existe déjà une version de Quorvane dans le répertoire sélectionné. Êtes-vous certain de vouloir la remplacer ?";

// Only an earlier installation asks, and only Yes goes on.
TEST(ExistenceTest, OnlyAnEarlierInstallationAsksAndActsOnlyOnYes) {
    Session session("francais", IDNO);
    TemporaryFolder scratch("qv-exist");
    WriteWholeFile(scratch.Path() + "readme.txt", "other files do not count");
    // A folder that merely bears the product's name is not the product.
    CreateDirectoryW(encoding::Widen(scratch.Path() + "quorvane.exe").c_str(), nullptr);
    EXPECT_TRUE(install::ConfirmExistingInstall(scratch.Path()));
    EXPECT_TRUE(install::ConfirmExistingInstall(scratch.Path() + "missing\\deeper"));
    EXPECT_TRUE(session.boxes.empty());

    CreateDirectoryW(encoding::Widen(scratch.Path() + "earlier").c_str(), nullptr);
    WriteWholeFile(scratch.Path() + "earlier\\quorvane.exe", "old");
    // Typed without the final backslash: the test still looks inside the folder.
    const std::string typed = scratch.Path() + "earlier";
    EXPECT_FALSE(install::ConfirmExistingInstall(typed));
    ASSERT_EQ(session.boxes.size(), 1u);
    EXPECT_EQ(session.boxes[0].text, kFrenchOverwrite);
    EXPECT_EQ(session.boxes[0].caption, "Répertoire non-vide");
    EXPECT_EQ(session.boxes[0].flags, UINT(MB_YESNO | MB_ICONEXCLAMATION));
    session.answer = IDCANCEL;
    EXPECT_FALSE(install::ConfirmExistingInstall(typed));
    session.answer = IDYES;
    EXPECT_TRUE(install::ConfirmExistingInstall(typed));
    EXPECT_EQ(ReadWholeFile(typed + "\\quorvane.exe"), "old");
}

// Every level is tried, then removed again: the finishing steps' transaction makes them.
TEST(AcceptInstallDir, TriesEveryLevelLeavesNoneAndStoresTheTextAsTyped) {
    Session session("francais");
    TemporaryFolder scratch("qv-accept");
    // Paths are UTF-8: the accent is two bytes here.
    const std::string typed = scratch.Path() + "Apps\\Sous r\xC3\xA9pertoire\\Q";
    std::string installDir = "unchanged";
    EXPECT_TRUE(install::AcceptInstallDir(typed, installDir));
    EXPECT_EQ(installDir, typed);
    EXPECT_FALSE(Exists(scratch.Path() + "Apps"));
    EXPECT_TRUE(session.boxes.empty());
    // An existing directory is accepted as it is, and stays.
    CreateDirectoryW(encoding::Widen(scratch.Path() + "Apps").c_str(), nullptr);
    EXPECT_TRUE(install::AcceptInstallDir(scratch.Path() + "Apps\\", installDir));
    EXPECT_EQ(installDir, scratch.Path() + "Apps\\");
    EXPECT_TRUE(IsDirectory(scratch.Path() + "Apps"));
}

TEST(AcceptInstallDir, RelativePathIsTriedInTheCurrentDirectory) {
    Session session("francais");
    TemporaryFolder scratch("qv-relative");
    wchar_t previous[MAX_PATH + 1] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(encoding::Widen(scratch.Path()).c_str());
    std::string installDir;
    bool accepted = install::AcceptInstallDir("rel\\dir", installDir);
    SetCurrentDirectoryW(previous);
    EXPECT_TRUE(accepted);
    EXPECT_EQ(installDir, "rel\\dir");
    EXPECT_FALSE(Exists(scratch.Path() + "rel"));
}

TEST(AcceptInstallDir, ImpossibleDirectoryShowsTheBoxTwiceAndReportsFailure) {
    const struct {
        const char* language;
        const char* text;
        const char* caption;
    } runs[] = {{"francais", "Impossible de créer le répertoire. Vérifier la syntaxe.", "Opération annulée"},
                {"anglais", "Cannot create the directory. Check the syntax.", "Process canceled"}};
    for (const auto& run : runs) {
        SCOPED_TRACE(run.language);
        Session session(run.language);
        std::string installDir;
        // Wine's prefix has drives C: and Z: only.
        EXPECT_FALSE(install::AcceptInstallDir("Q:\\Apps\\Quorvane", installDir));
        EXPECT_EQ(installDir, "");
        ASSERT_EQ(session.boxes.size(), 2u);
        for (const Box& box : session.boxes) {
            EXPECT_EQ(box.flags, UINT(MB_OK | MB_ICONERROR));
            EXPECT_EQ(box.text, run.text);
            EXPECT_EQ(box.caption, run.caption);
        }
    }
}

TEST(TryInstallDir, NameTheFileSystemRefusesFailsOnceWithItsBox) {
    Session session("anglais");
    TemporaryFolder scratch("qv-ensure");
    // A file stands where the directory should be.
    WriteWholeFile(scratch.Path() + "taken", "x");
    EXPECT_FALSE(install::TryInstallDir(scratch.Path() + "taken"));
    EXPECT_FALSE(install::TryInstallDir(scratch.Path() + "bad<name>"));
    EXPECT_EQ(session.boxes.size(), 2u);
    EXPECT_EQ(ReadWholeFile(scratch.Path() + "taken"), "x");
}

}  // namespace
