// The wizard's pages, buttons and captions through every row of its transitions, driven by
// clicks on the real controls.
#include "WizardFixture.h"

#include "ProductInfo.h"
#include "app/install/ShellLink.h"

namespace {

const char kNextFr[] = "&Suivant";
const char kInstallFr[] = "&Installer";
const char kDoneFr[] = "&Termin\xE9";
const char kDirFr[] = "C:\\Program Files\\Quorvane\\RaRozo\\";
const char kDirEn[] = "C:\\Program Files\\Quorvane\\Basic\\";

enum class LanguageSwitch { None, French, English };

// Every caption of the form, in French and in English: the one place where a typo in a
// translation shows.
#define CONTROL(name) #name, [](TfInstall & f) -> const ui::Window& { return f.name; }
struct Caption {
    const char* name;
    const ui::Window& (*control)(TfInstall&);
    const char* french;
    const char* english;
};
const Caption kCaptions[] = {
    {"TfInstall", [](TfInstall& f) -> const ui::Window& { return f; }, "Installation de Quorvane",
     "Quorvane installation"},
    {CONTROL(Label4),
     "T\xE9l\xE9"
     "chargement de Quorvane",
     "Downloading Quorvane"},
    {CONTROL(Label5),
     "Lors du premier d\xE9marrage de Quorvane, vous serez inviter \xE0 cr\xE9"
     "er votre compte sur le serveur de Quorvane",
     "When you'll first start Quorvane, you will be invited to create your account on the Quorvane server"},
    {CONTROL(LblStatus), "Statut : En attente", "Status : Waiting"},
    {CONTROL(Label12),
     "Le t\xE9l\xE9"
     "chargement peut prendre quelques minutes selon la vitesse de votre connexion",
     "Download may take a few minutes depending of your internet connection speed"},
    {CONTROL(Label6), "Emplacement de Quorvane", "Quorvane path"},
    {CONTROL(Label7),
     "Choisissez le r\xE9pertoire d\xE9sir\xE9 pour l'installation de Quorvane ou appuyez sur 'Suivant' si l'emplacement par d\xE9"
     "faut vous convient",
     "Choose the directory you want Quorvane to be installed in, or press 'Next' if you are satisfied with the default path"},
    {CONTROL(Label8), "&Emplacement :", "&Path"},
    {CONTROL(Label19), "License d' utilisation: ", "Usage license : "},
    {CONTROL(Label20), "Veuillez lire attentivement ces conditions g\xE9n\xE9rales avant d' utiliser ce logiciel",
     "Please read carefully these general conditions before using this product"},
    {CONTROL(rdoagree), "J' a&ccepte", "I &agree"},
    {CONTROL(rdoDeny), "Je &refuse", "I &disagree"},
    {CONTROL(Label1), "Bienvenue \xE0 l' installation de Quorvane", "Welcome to the installation of Quorvane"},
    {CONTROL(Label2),
     "Nous vous invitons \xE0 suivre ces quelques \xE9tapes afin d' installer Quorvane sur votre syst\xE8me",
     "Please follow these simple steps to install Quorvane on your system"},
    {CONTROL(Label3), "Choisissez votre langue d' installation: ", "Choose your language for the installation: "},
    {CONTROL(rdoFrench),
     "&Fran\xE7"
     "ais",
     "&Fran\xE7"
     "ais"},
    {CONTROL(RdoEnglish), "&English", "&English"},
    {CONTROL(Label9),
     "Installation de Quorvane termin\xE9"
     "e",
     "Installation of Quorvane done"},
    {CONTROL(Label10), "Nous vous remercions de faire confiance \xE0 Quorvane",
     "We appreciate your trust towards Quorvane"},
    {CONTROL(Label11),
     "Installation termin\xE9"
     "e avec succ\xE8s",
     "Installation done successfully"},
    {CONTROL(Label14), "Site officiel : ", "Offical web site : "},
    {CONTROL(Label13), kProductWebSite, kProductWebSite},
    {CONTROL(Label15), "Courriel : ", "Email : "},
    {CONTROL(Label16), kSupportEmail, kSupportEmail},
    {CONTROL(chkStartNow),
     "&D\xE9marrer Quorvane imm\xE9"
     "diatement",
     "&Launch Quorvane immediately"},
    {CONTROL(ChkAutoStart),
     "E&x\xE9"
     "cution automatique lors de chaque d\xE9marrage de Windows",
     "&Start automatically with Windows"},
    {CONTROL(BtnClose), "&Annuler", "&Cancel"},
    {CONTROL(BtnNext), "&Suivant", "&Next"},
    {CONTROL(btnBack),
     "&Pr\xE9"
     "c\xE9"
     "dent",
     "&Back"},
};
#undef CONTROL

// What a user or a test can see of the form: every caption, the directory, which licence pane
// shows, the consent, and the folders read for the finishing steps.
std::vector<std::string> Seen(TfInstall& f) {
    std::vector<const ui::Window*> windows = {&f.TxtDir,          &f.memLicenceEn,       &f.memLicenseEntreFr,
                                              &f.memLicenseProFr, &f.memLicenseRaRozoFr, &f.memLicenseRaRozoEn};
    for (const Caption& c : kCaptions) windows.push_back(&c.control(f));
    std::vector<std::string> seen;
    for (const ui::Window* w : windows) seen.push_back(w->Text() + (w->Visible() ? " (shown)" : " (hidden)"));
    seen.push_back(f.rdoDeny.Checked() ? "deny" : "no consent choice");
    seen.insert(seen.end(), {f.ProgramsPath, f.DesktopPath, f.TempPath});
    return seen;
}

TEST_F(WizardTest, PageOneFirstThenTheOtherPagesEndsAsTheWholeForm) {
    for (LCID locale : {kFrench, kEnglish}) {
        SCOPED_TRACE(locale);
        TfInstall& w = Start(locale);
        Translator->ApplyCaptions();  // every control in the language, however the form was built
        const std::vector<std::string> whole = Seen(w);
        const std::string prompt = w.Label3.Text();
        TfInstall& f = Start(locale, TfInstall::Build::PageOneFirst);
        // Page 1 is built and captioned; the directory's page is not built yet.
        EXPECT_EQ(Page(), 1);
        EXPECT_EQ(f.Label3.Text(), prompt);
        EXPECT_EQ(f.TxtDir.Handle(), nullptr);
        f.BuildOtherPages();
        EXPECT_EQ(Seen(f), whole);
        EXPECT_EQ(f.DesktopPath, install::ReadDesktopPath());
        EXPECT_EQ(f.ProgramsPath, install::ReadProgramsPath());
        f.BuildOtherPages();  // once only
        EXPECT_EQ(Seen(f), whole);
    }
}

// Page 1 set up at creation, in the language the locale chooses.
TEST_F(WizardTest, CreationShowsPageOneInTheLocalesLanguage) {
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
        EXPECT_EQ(Page(), 1);
        EXPECT_TRUE(f.PnlBottom.Visible());
        EXPECT_EQ(Buttons(), "-NC");
        const bool english = std::string(c.language) == "anglais";
        EXPECT_EQ(f.BtnNext.Text(), english ? "&Next" : kNextFr);
        EXPECT_EQ(f.TxtDir.Text(), english ? kDirEn : kDirFr);
        EXPECT_EQ(f.memLicenseRaRozoEn.Visible(), english);
        EXPECT_EQ(f.memLicenseRaRozoFr.Visible(), !english);
        EXPECT_TRUE(f.rdoFrench.Checked());  // the radio buttons stay as laid out
        EXPECT_TRUE(f.rdoDeny.Checked());
        EXPECT_EQ(f.Cancelled, 0);
        EXPECT_EQ(f.InstallDone, 0);
        ASSERT_FALSE(f.TempPath.empty());
        EXPECT_EQ(f.TempPath.back(), '\\');
        EXPECT_EQ(f.InstallDir, "");
    }
}

TEST_F(WizardTest, LanguageButtonsRecaptionAndResetTheDirectory) {
    TfInstall& f = Start(kEnglish);
    Click(f.RdoEnglish);  // English already: only the selection moves
    EXPECT_TRUE(f.RdoEnglish.Checked());
    EXPECT_EQ(f.TxtDir.Text(), kDirEn);

    Click(f.rdoFrench);
    EXPECT_EQ(Translator->Language, "francais");
    EXPECT_EQ(f.TxtDir.Text(), kDirFr);
    EXPECT_TRUE(f.memLicenseRaRozoFr.Visible());
    EXPECT_FALSE(f.memLicenseRaRozoEn.Visible());
    for (const ui::Memo* hidden : {&f.memLicenceEn, &f.memLicenseProFr, &f.memLicenseEntreFr})
        EXPECT_FALSE(hidden->Visible());
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
    ToDirectoryPage();
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
    ToDirectoryPage();
    ASSERT_EQ(Page(), 3);
    Type(f.TxtDir, "");
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
    ToDirectoryPage();
    Type(f.TxtDir, "D:\\Apps\\Q");
    Click(f.btnBack);
    Click(f.btnBack);
    ASSERT_EQ(Page(), 1);
    EXPECT_EQ(f.TxtDir.Text(), "D:\\Apps\\Q");
    Click(f.RdoEnglish);
    EXPECT_EQ(f.TxtDir.Text(), kDirEn);
    EXPECT_EQ(f.BtnNext.Text(), "&Next");
    EXPECT_EQ(f.LblStatus.Text(), "Status : Waiting");
}

// Install with no server leads to page 5, where Back and Cancel do nothing and Next says Done
// and closes.
TEST_F(WizardTest, InstallLeadsToTheLastPageWhichCloses) {
    const struct {
        LCID locale;
        const char* done;
        const char* dir;
    } runs[] = {{kEnglish, "&Done", kDirEn}, {kFrench, kDoneFr, kDirFr}};
    for (const auto& run : runs) {
        SCOPED_TRACE(run.locale);
        TfInstall& f = Start(run.locale);
        f.BtnBackClick();  // page 1: nothing
        EXPECT_EQ(Page(), 1);
        ToLastPage();
        EXPECT_EQ(Page(), 5);
        EXPECT_EQ(Buttons(), "-N-");
        EXPECT_EQ(f.BtnNext.Text(), run.done);
        EXPECT_EQ(f.InstallDir, run.dir);
        f.BtnBackClick();
        Click(f.BtnClose);
        EXPECT_EQ(Page(), 5);
        EXPECT_FALSE(f.Closed());
        Click(f.BtnNext);
        EXPECT_TRUE(f.Closed());
        EXPECT_TRUE(boxes.empty());
    }
}

// Every caption of the form and every text of the table, in each language and after each switch.
TEST_F(WizardTest, EveryCaptionAndTextInEachLanguage) {
    struct Text {
        int index;
        const char* french;
        const char* english;
    };
    const Text texts[] = {
        {1, "\\Quorvane\\RaRozo\\", "\\Quorvane\\Basic\\"},
        {2, "\\Quorvane\\Professionnelle\\", "\\Quorvane\\Professional\\"},
        {3, "\\Quorvane\\Entreprise\\", "\\Quorvane\\Enterprise\\"},
        {4,
         "Impossible de cr\xE9"
         "er le r\xE9pertoire. V\xE9rifier la syntaxe.",
         "Cannot create the directory. Check the syntax."},
        {5,
         "Op\xE9ration annul\xE9"
         "e",
         "Process canceled"},
        {6,
         "Il existe d\xE9j\xE0 une version de Quorvane dans le r\xE9pertoire s\xE9lectionn\xE9. \xCAtes-vous certain de vouloir la remplacer ?",
         "There is already a version of Quorvane in the selected directory. Do you wish to overwrite it ?"},
        {7, "R\xE9pertoire non-vide", "Directory not empty"},
        {8, "C:\\Program Files\\Quorvane\\RaRozo\\", "C:\\Program Files\\Quorvane\\Basic\\"},
        {9, "C:\\Program Files\\Quorvane\\Professionnelle\\", "C:\\Program Files\\Quorvane\\Professional\\"},
        {10, "C:\\Program Files\\Quorvane\\Entreprise\\", "C:\\Program Files\\Quorvane\\Enterprise\\"},
        {11,
         "Installation termin\xE9"
         "e. D\xE9sirez-vous ex\xE9"
         "cuter Quorvane imm\xE9"
         "diatement ?",
         "Installation done. Do you want to execute Quorvane immediately ?"},
        {12, "Termin\xE9", "Done"},
        {13,
         "D\xE9sirez-vous que Quorvane s'ex\xE9"
         "cute automatiquement lors de chaque d\xE9marrage de Windows?",
         "Do you to want execute Quorvane automatically when Windows start up ?"},
        {14, "D\xE9marrage automatique", "Automatic startup"},
        {15, "Quorvane De Base.Lnk", "Quorvane Basic.Lnk"},
        {16, "Quorvane Professionnelle.Lnk", "Quorvane Professional.Lnk"},
        {17, "Quorvane Entreprise.Lnk", "Quorvane Enterprise.Lnk"},
        {18, "Quorvane\\RaRozo\\", "Quorvane\\Basic\\"},
        {19, "Quorvane\\Professionnelle\\", "Quorvane\\Professional\\"},
        {20, "Quorvane\\Entreprise\\", "Quorvane\\Enterprise\\"},
        {21, "Statut : Recherche du serveur Quorvane", "Status : Looking for Quorvane server"},
        {22, "Serveur ou mise \xE0 jour introuvable", "Server or update not found"},
        {23, "Processus interrompu", "Interrupted process"},
        {24,
         "Statut : T\xE9l\xE9"
         "chargement de ",
         "Status : Downloading "},
        {25, "\xCAtes-vous certain de vouloir arr\xEAter l'installation de Quorvane?",
         "Are you sure you want to cancel the installation of Quorvane?"},
        {26, "Suspendre?", "Suspend?"},
        {27, "Version de base", "Basic version"},
        {28, "Version Professionnelle", "Professional version"},
        {29, "Version Entreprise", "Enterprise version"},
        {30, "&Suivant", "&Next"},
        {31, "&Installer", "&Install"},
        {32, "&Termin\xE9", "&Done"},
        {33,
         "Statut : Cr\xE9"
         "ation des raccourcis",
         "Status : Creation of shortcuts"},
        {34, "Statut : Enregistrement du d\xE9sinstallateur", "Status : Registration of uninstall"},
    };
    const struct {
        LCID start;
        LanguageSwitch switchTo;
        bool english;
    } runs[] = {{kFrench, LanguageSwitch::None, false},
                {kEnglish, LanguageSwitch::None, true},
                {kEnglish, LanguageSwitch::French, false},
                {kFrench, LanguageSwitch::English, true}};
    for (const auto& run : runs) {
        SCOPED_TRACE(testing::Message() << "start " << run.start << ", switch " << int(run.switchTo));
        TfInstall& f = Start(run.start);
        if (run.switchTo == LanguageSwitch::French) {
            Click(f.RdoEnglish);  // French is the laid-out selection whatever the language
            Click(f.rdoFrench);
        }
        if (run.switchTo == LanguageSwitch::English) Click(f.RdoEnglish);
        for (const Caption& c : kCaptions) EXPECT_EQ(c.control(f).Text(), run.english ? c.english : c.french) << c.name;
        for (const Text& t : texts) {
            std::string text;
            Translator->GetText(t.index, text);
            EXPECT_EQ(text, run.english ? t.english : t.french) << "text " << t.index;
        }
    }
}

}  // namespace
