// The wizard's pages, buttons and captions through every row of its transitions, driven by
// clicks on the real controls.
#include "WizardFixture.h"

namespace {

const char kNextFr[] = "&Suivant";
const char kInstallFr[] = "&Installer";
const char kDoneFr[] = "Termin\xE9";
const char kDirFr[] = "C:\\Program Files\\Quorvane\\RaRozo\\";
const char kDirEn[] = "C:\\Program Files\\Quorvane\\Basic\\";

TEST_F(WizardTest, CreationShowsPageOneSetUp) {
    TfInstall& f = Start(kFrench);
    EXPECT_EQ(Page(), 1);
    EXPECT_TRUE(f.PnlBottom.Visible());
    EXPECT_EQ(Buttons(), "-NC");
    EXPECT_EQ(f.BtnNext.Text(), kNextFr);
    EXPECT_EQ(f.Text(), "Installation de Quorvane");
    EXPECT_EQ(f.TxtDir.Text(), kDirFr);
    EXPECT_TRUE(f.rdoFrench.Checked());
    EXPECT_TRUE(f.rdoDeny.Checked());
    EXPECT_EQ(f.Cancelled, 0);
    EXPECT_EQ(f.InstallDone, 0);
    const std::string temp = f.TempPath;
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), '\\');
    EXPECT_EQ(f.InstallDir, "");
    // The bar colour is posted, so it arrives with the first pump.
    ui::Application::Instance().ProcessMessages();
    EXPECT_EQ(SendMessageW(f.ProgBarDL.Handle(), PBM_GETBARCOLOR, 0, 0), 0xFF8000);
}

TEST_F(WizardTest, LocaleChoosesTheFirstLanguage) {
    struct Case {
        LCID locale;
        const char* language;
        const char* title;
    } cases[] = {
        {kFrench, "francais", "Installation de Quorvane"},
        {kEnglish, "anglais", "Quorvane installation"},
        {kFrenchCanada, "francais", "Installation de Quorvane"},
        {kGerman, "francais", "Installation de Quorvane"},
        {0x0000, "anglais", "Quorvane installation"},  // no language in the id: taken as English
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale);
        TfInstall& f = Start(c.locale);
        EXPECT_EQ(Translator->Language, c.language);
        EXPECT_EQ(f.Text(), c.title);
        const bool english = std::string(c.language) == "anglais";
        EXPECT_EQ(f.BtnNext.Text(), english ? "&Next" : kNextFr);
        EXPECT_EQ(f.TxtDir.Text(), english ? kDirEn : kDirFr);
        EXPECT_EQ(f.memLicenseRaRozoEn.Visible(), english);
        EXPECT_EQ(f.memLicenseRaRozoFr.Visible(), !english);
        EXPECT_TRUE(f.rdoFrench.Checked());  // the radio buttons stay as laid out
        form.reset();
    }
}

TEST_F(WizardTest, LanguageButtonsRecaptionAndResetTheDirectory) {
    TfInstall& f = Start(kEnglish);
    Click(f.RdoEnglish);  // English already: only the selection moves
    EXPECT_TRUE(f.RdoEnglish.Checked());
    EXPECT_EQ(f.Label1.Text(), "Welcome to the installation of Quorvane");
    EXPECT_EQ(f.TxtDir.Text(), kDirEn);

    Click(f.rdoFrench);
    EXPECT_EQ(Translator->Language, "francais");
    EXPECT_EQ(f.Label1.Text(), "Bienvenue \xE0 l' installation de Quorvane");
    EXPECT_EQ(f.btnBack.Text(), "&Pr\xE9" "c\xE9" "dent");
    EXPECT_EQ(f.TxtDir.Text(), kDirFr);
    EXPECT_TRUE(f.memLicenseRaRozoFr.Visible());
    EXPECT_FALSE(f.memLicenseRaRozoEn.Visible());
    for (const ui::Window* hidden : {static_cast<const ui::Window*>(&f.memLicenceEn),
                                     static_cast<const ui::Window*>(&f.memLicenseProFr),
                                     static_cast<const ui::Window*>(&f.memLicenseEntreFr)}) {
        EXPECT_FALSE(hidden->Visible());
    }
}

TEST_F(WizardTest, ConsentPageStartsDeniedOnEveryArrival) {
    TfInstall& f = Start();
    Click(f.BtnNext);
    EXPECT_EQ(Page(), 2);
    EXPECT_EQ(Buttons(), "B-C");
    EXPECT_TRUE(f.rdoDeny.Checked());

    Click(f.rdoagree);
    EXPECT_EQ(Buttons(), "BNC");
    EXPECT_FALSE(f.rdoDeny.Checked());
    Click(f.rdoDeny);
    EXPECT_EQ(Buttons(), "B-C");
    Click(f.BtnNext);  // disabled: stays
    EXPECT_EQ(Page(), 2);

    Click(f.rdoagree);
    Click(f.btnBack);  // 2 -> 1
    EXPECT_EQ(Page(), 1);
    EXPECT_EQ(Buttons(), "-NC");
    EXPECT_EQ(f.BtnNext.Text(), kNextFr);
    Click(f.BtnNext);  // 1 -> 2 again
    EXPECT_TRUE(f.rdoDeny.Checked());
    EXPECT_FALSE(f.rdoagree.Checked());
    EXPECT_EQ(Buttons(), "B-C");
}

TEST_F(WizardTest, DirectoryPageAndBackToConsent) {
    TfInstall& f = Start();
    Click(f.BtnNext);
    Click(f.rdoagree);
    Click(f.BtnNext);  // 2 -> 3
    EXPECT_EQ(Page(), 3);
    EXPECT_EQ(Buttons(), "BNC");
    EXPECT_EQ(f.BtnNext.Text(), kInstallFr);

    Click(f.btnBack);  // 3 -> 2
    EXPECT_EQ(Page(), 2);
    EXPECT_TRUE(f.rdoDeny.Checked());
    EXPECT_EQ(Buttons(), "B-C");
    EXPECT_EQ(f.BtnNext.Text(), kNextFr);
}

TEST_F(WizardTest, DirectoryBoxKeepsNextEnabledOnlyWhileItHasText) {
    TfInstall& f = Start();
    Click(f.BtnNext);
    Click(f.rdoagree);
    Click(f.BtnNext);
    ASSERT_EQ(Page(), 3);
    SendMessageW(f.TxtDir.Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    EXPECT_EQ(Buttons(), "B-C");
    Click(f.BtnNext);  // disabled: stays
    EXPECT_EQ(Page(), 3);
    SendMessageW(f.TxtDir.Handle(), WM_CHAR, L'D', 0);
    EXPECT_EQ(Buttons(), "BNC");
    SendMessageW(f.TxtDir.Handle(), WM_CHAR, VK_BACK, 0);
    EXPECT_EQ(Buttons(), "B-C");

    Click(f.btnBack);  // and back again with the box still empty
    Click(f.rdoagree);
    Click(f.BtnNext);
    EXPECT_EQ(Page(), 3);
    EXPECT_EQ(Buttons(), "B-C");
}

TEST_F(WizardTest, LanguageChangeReplacesATypedDirectory) {
    TfInstall& f = Start();
    Click(f.BtnNext);
    Click(f.rdoagree);
    Click(f.BtnNext);
    SendMessageW(f.TxtDir.Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"D:\\Apps\\Q"));
    Click(f.btnBack);
    Click(f.btnBack);
    ASSERT_EQ(Page(), 1);
    EXPECT_EQ(f.TxtDir.Text(), "D:\\Apps\\Q");
    Click(f.RdoEnglish);
    EXPECT_EQ(f.TxtDir.Text(), kDirEn);
    EXPECT_EQ(f.BtnNext.Text(), "&Next");
    EXPECT_EQ(f.LblStatus.Text(), "Status : Waiting");
}

TEST_F(WizardTest, InstallLeadsToTheLastPageWhichCloses) {
    TfInstall& f = Start(kEnglish);
    Click(f.BtnNext);
    Click(f.rdoagree);
    Click(f.BtnNext);
    EXPECT_EQ(f.BtnNext.Text(), "&Install");
    f.Cancelled = 1;   // no server here: the download returns at once
    Click(f.BtnNext);  // 3 -> 4 -> 5
    EXPECT_EQ(Page(), 5);
    EXPECT_EQ(Buttons(), "-N-");
    EXPECT_EQ(f.BtnNext.Text(), "Done");
    EXPECT_EQ(f.InstallDir, kDirEn);
    EXPECT_FALSE(f.Closed());
    Click(f.BtnNext);
    EXPECT_TRUE(f.Closed());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(WizardTest, PageFiveInFrenchSaysTermine) {
    TfInstall& f = Start(kFrench);
    Click(f.BtnNext);
    Click(f.rdoagree);
    Click(f.BtnNext);
    f.Cancelled = 1;  // no server here: the download returns at once
    Click(f.BtnNext);
    EXPECT_EQ(Page(), 5);
    EXPECT_EQ(f.BtnNext.Text(), kDoneFr);
    EXPECT_EQ(f.Label9.Text(), "Installation de Quorvane termin\xE9" "e");
}

TEST_F(WizardTest, BackIsIgnoredWhereItIsNeverEnabled) {
    TfInstall& f = Start();
    f.BtnBackClick();  // page 1: nothing
    EXPECT_EQ(Page(), 1);
    Click(f.BtnNext);
    Click(f.rdoagree);
    Click(f.BtnNext);
    f.Cancelled = 1;  // no server here: the download returns at once
    Click(f.BtnNext);
    ASSERT_EQ(Page(), 5);
    f.BtnBackClick();
    EXPECT_EQ(Page(), 5);
}

}  // namespace
