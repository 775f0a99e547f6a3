// What the box and the log say of files in use, in both languages: every file, each program once
// by name where the system named it, and what Retry and Cancel do.
#include <gtest/gtest.h>

#include "app/inuse/InUseReport.h"
#include "i18n/MessageText.h"

namespace {

const inuse::TFilesInUse kHeld{{"C:\\Program Files\\Quorvane\\quorvane.exe",
                                "C:\\Program Files\\Quorvane\\\xC5\x81\xC3\xB3"
                                "d\xC5\xBA.ini"},
                               {{"Quorvane", 1234}, {"", 77}, {"Quorvane", 1240}, {"Notepad", 12}}};

class InUseReport : public testing::Test {
protected:
    void SetUp() override { Translator = &table; }
    void TearDown() override { Translator = nullptr; }
    tTranslate table;
};

TEST_F(InUseReport, TheBoxNamesEachFileAndEachProgramOnceInTheInstallationsLanguage) {
    struct Case {
        const char* language;
        TextId lead;
        const char* expected;
    };
    const Case cases[] = {
        {"anglais", kTextInUseInstall,
         "Quorvane cannot be installed while these files are in use:\n\n"
         "C:\\Program Files\\Quorvane\\quorvane.exe\nC:\\Program Files\\Quorvane\\\xC5\x81\xC3\xB3"
         "d\xC5\xBA.ini\n\nPrograms using them:\nQuorvane\nNotepad\n\n"
         "Close them, then click Retry. Cancel stops without changing anything."},
        {"francais", kTextInUseUninstall,
         "Quorvane ne peut pas \xC3\xAAtre d\xC3\xA9sinstall\xC3\xA9 tant que ces fichiers sont utilis\xC3\xA9s :\n\n"
         "C:\\Program Files\\Quorvane\\quorvane.exe\nC:\\Program Files\\Quorvane\\\xC5\x81\xC3\xB3"
         "d\xC5\xBA.ini\n\nProgrammes qui les utilisent :\nQuorvane\nNotepad\n\n"
         "Fermez-les, puis cliquez sur R\xC3\xA9"
         "essayer. Annuler arr\xC3\xAAte sans rien modifier."},
    };
    for (const Case& c : cases) {
        table.SetLanguage(c.language);
        EXPECT_EQ(inuse::BoxText(kHeld, c.lead), c.expected) << c.language;
    }
}

// Wine's Restart Manager, and Windows' for some holders, name no program: the box then names the
// files alone.
TEST_F(InUseReport, WithoutProgramsTheBoxHasNoProgramsLine) {
    table.SetLanguage("anglais");
    const std::string text = inuse::BoxText({{"C:\\Q\\quorvane.exe"}, {}}, kTextInUseInstall);
    EXPECT_EQ(text,
              "Quorvane cannot be installed while these files are in use:\n\nC:\\Q\\quorvane.exe\n\n"
              "Close them, then click Retry. Cancel stops without changing anything.");
}

TEST_F(InUseReport, TheLogLineNamesEveryFileAndEveryProcess) {
    EXPECT_EQ(inuse::DescribeForLog(kHeld),
              "Files in use: C:\\Program Files\\Quorvane\\quorvane.exe, C:\\Program Files\\Quorvane\\\xC5\x81\xC3\xB3"
              "d\xC5\xBA.ini; by Quorvane (process 1234), a program (process 77), Quorvane (process 1240), "
              "Notepad (process 12)");
    EXPECT_EQ(inuse::DescribeForLog({{"C:\\Q\\a.exe"}, {}}), "Files in use: C:\\Q\\a.exe");
}

}  // namespace
