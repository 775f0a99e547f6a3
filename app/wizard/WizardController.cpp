// The wizard's controller: set-up at creation, language, pages and their buttons, consent,
// Cancel, close-time work and the links of the last page.
#include "app/wizard/DownloadPaceDisplay.h"
#include "app/wizard/LicenseText.h"
#include "app/cache/DownloadCache.h"
#include "app/install/DownloadFolder.h"
#include "app/install/FinishInstall.h"
#include "app/log/InstallLog.h"
#include "app/wizard/WizardForm.h"
#include "ui/Application.h"
#include "ui/ShellFolderTree.h"
#include "encoding/TextEncoding.h"

#include "ProductInfo.h"
#include "i18n/MessageText.h"

enum class NextButton { Off, On, WhenDirTyped };

// The bottom band after an action: Back, Next and its caption (none: as it was), Cancel.
struct WizardBand {
    bool back;
    NextButton next;
    std::optional<TextId> caption;
    bool cancel;
};

// A move of the wizard: the page shown, the band, and whether "I disagree" is selected again so
// that the licence must be agreed to anew.
struct WizardMove {
    int page;
    WizardBand band;
    bool disagree;
};

namespace {

constexpr WORD kLangFrench = 0x0C, kLangEnglish = 0x09;

// Primary language of a locale id; a locale without a language (low word 0) counts as English.
WORD PrimaryLanguage(LCID locale) {
    const WORD langId = LOWORD(locale);
    return langId == 0 ? kLangEnglish : static_cast<WORD>(langId & 0x3FF);
}

// clang-format off
//                                     back   next                      caption       cancel
constexpr WizardBand kAgreed          {true,  NextButton::On,           kTextNext,    true};
constexpr WizardBand kDisagreed       {true,  NextButton::Off,          kTextNext,    true};
//                                 page  back   next                      caption       cancel  disagree
constexpr WizardMove kToLicence      {2, {true,  NextButton::Off,          kTextNext,    true},  true};
constexpr WizardMove kToDirectory    {3, {true,  NextButton::WhenDirTyped, kTextInstall, true},  false};
constexpr WizardMove kToDownload     {4, {false, NextButton::Off,          {},           true},  false};
// The directory could not be made: page 3 as it was.
constexpr WizardMove kDirectoryAgain {3, {true,  NextButton::WhenDirTyped, {},           true},  false};
constexpr WizardMove kToFinish       {5, {false, NextButton::On,           kTextDone,    false}, false};
constexpr WizardMove kBackToLanguage {1, {false, NextButton::On,           kTextNext,    true},  false};
constexpr WizardMove kBackToLicence  {2, {true,  NextButton::On,           kTextNext,    true},  true};
// clang-format on

// Leaves the keyboard focus somewhere usable however the transition ends (an error included).
class FocusKeeper {
public:
    explicit FocusKeeper(ui::Form& form) : form_(form) {}
    ~FocusKeeper() { form_.KeepFocusUsable(); }

private:
    ui::Form& form_;
};

}  // namespace

std::string LanguageKeyForLocale(LCID locale) {
    return PrimaryLanguage(locale) == kLangEnglish ? "anglais" : "francais";
}

TfInstall::TfInstall(LCID locale, Build build)
    : AskFilesInUse([this](const inuse::TFilesInUse& found) { return AskWithInUseBox(found); }) {
    BuildLayout();
    RegisterCaptions();
    BindEvents();
    BindDownload();
    Translator->SetForm(this);
    FormCreate(locale);
    if (build == Build::WholeForm) BuildOtherPages();
}

TfInstall::~TfInstall() {
    if (Translator) Translator->SetForm(nullptr);
    // Emptying the tree raises selection notices: they must not reach a half-destroyed form.
    Directory.OnNotify = nullptr;
    Directory.OnChange = nullptr;
    Directory.PathProvider = nullptr;
    folderTree_.reset();
}

void TfInstall::BindEvents() {
    OnClose = [this] { FormClose(); };
    // A RichEdit given a font forgets its bold runs.
    OnDpiChanged = [this] {
        if (!licenseEnText_.empty()) FormatLicenseText();
    };
    rdoFrench.OnClick = [this] { rdoFrenchClick(); };
    RdoEnglish.OnClick = [this] { RdoEnglishClick(); };
    rdoagree.OnClick = [this] { rdoagreeClick(); };
    rdoDeny.OnClick = [this] { rdoDenyClick(); };
    BtnNext.OnClick = [this] { BtnNextClick(); };
    btnBack.OnClick = [this] { BtnBackClick(); };
    BtnClose.OnClick = [this] { BitBtn2Click(); };
    Label13.OnClick = [this] { Label13Click(); };
    Label16.OnClick = [this] { Label16Click(); };
    TxtDir.OnChange = [this] { TxtDirChange(); };
    Directory.OnChange = [this] { DirectoryChange(); };
}

void TfInstall::FormCreate(LCID locale) {
    Translator->SetLanguage("francais");
    Translator->SetLanguage(LanguageKeyForLocale(locale));
    Cancelled = 0;
    InstallDone = 0;
    ShowSteps(true, false, false, false, false);
}

void TfInstall::BuildOtherPages() {
    if (otherPagesBuilt_) return;
    otherPagesBuilt_ = true;
    BuildOtherLayout();
    Translator->ApplyCaptions();
    rdoDeny.SetChecked(true);
    ReadProgramsPath();
    ReadDesktopPath();
    TempPath = install::ReadTempPath();
    DataFolder = cache::DataFolderForThisRun();
    ApplyLanguage();  // the directory's default text and the licence pane of the language
}

void TfInstall::Preset(const std::optional<std::string>& language, const std::optional<std::string>& dir) {
    // The handlers run even when the button was already selected: the locale may have chosen
    // English while rdoFrench stayed selected as laid out.
    if (language == "anglais") {
        RdoEnglish.SetChecked(true);
        RdoEnglishClick();
    } else if (language == "francais") {
        rdoFrench.SetChecked(true);
        rdoFrenchClick();
    }
    if (dir) TxtDir.SetPathText(*dir);  // UTF-8, every character kept
}

void TfInstall::ShowSteps(bool page1, bool page2, bool page3, bool page4, bool page5) {
    PnlStep1.SetVisible(page1);
    PnlStep2.SetVisible(page2);
    PnlStep3.SetVisible(page3);
    PnlStep4.SetVisible(page4);
    Pnlstep5.SetVisible(page5);
}

void TfInstall::SetBand(const WizardBand& band) {
    btnBack.SetEnabled(band.back);
    BtnNext.SetEnabled(band.next == NextButton::WhenDirTyped ? !TxtDir.Text().empty() : band.next == NextButton::On);
    BtnClose.SetEnabled(band.cancel);
    if (band.caption) BtnNext.SetText(Translated(*band.caption));
}

void TfInstall::MoveTo(const WizardMove& move) {
    ShowSteps(move.page == 1, move.page == 2, move.page == 3, move.page == 4, move.page == 5);
    SetBand(move.band);
    if (move.disagree) rdoDeny.SetChecked(true);
    const ui::Panel* pages[] = {&PnlStep1, &PnlStep2, &PnlStep3, &PnlStep4, &Pnlstep5};
    FocusFirstIn(*pages[move.page - 1]);
}

void TfInstall::ApplyLanguage() {
    TxtDir.SetText(Translated(kTextDefaultDir));
    const std::string& key = Translator->Language;
    if (key == "francais") {
        memLicenseRaRozoFr.SetVisible(true);
        memLicenceEn.SetVisible(false);
        memLicenseProFr.SetVisible(false);
        memLicenseEntreFr.SetVisible(false);
        memLicenseRaRozoEn.SetVisible(false);
    } else if (key == "anglais") {
        memLicenseRaRozoEn.SetVisible(true);
        memLicenceEn.SetVisible(false);
        memLicenseRaRozoFr.SetVisible(false);
        memLicenseProFr.SetVisible(false);
        memLicenseEntreFr.SetVisible(false);
    }
    NameForScreenReaders();
}

// What neither a control's own text nor the label before it names, named by the page's words:
// the licence panes by the licence's title, the folder tree by the box's label, the bar by what
// it measures.
void TfInstall::NameForScreenReaders() {
    for (ui::Control* pane : std::initializer_list<ui::Control*>{&memLicenceEn, &memLicenseEntreFr, &memLicenseProFr,
                                                                 &memLicenseRaRozoFr, &memLicenseRaRozoEn})
        pane->SetAccessibleName(Label19.Text());
    Directory.SetAccessibleName(Label8.Text());
    ProgBarDL.SetAccessibleName(Label4.Text());
}

void TfInstall::rdoFrenchClick() {
    Translator->SetLanguage("francais");
    ApplyLanguage();
}

void TfInstall::RdoEnglishClick() {
    Translator->SetLanguage("anglais");
    ApplyLanguage();
}

void TfInstall::rdoagreeClick() { SetBand(kAgreed); }

void TfInstall::rdoDenyClick() { SetBand(kDisagreed); }

void TfInstall::TxtDirChange() { BtnNext.SetEnabled(!TxtDir.Text().empty()); }

void TfInstall::BtnNextClick() {
    FocusKeeper keeper(*this);
    if (PnlStep1.Visible()) {
        LoadLicenseTexts();
        MoveTo(kToLicence);
    } else if (PnlStep2.Visible()) {
        EnsureFolderTree();
        MoveTo(kToDirectory);
    } else if (PnlStep3.Visible()) {
        if (!ConfirmOverwrite()) return;
        MoveTo(kToDownload);
        if (!AcceptInstallDir()) {
            // The directory could not be made (its error box has been shown twice): nothing is
            // downloaded or installed.
            Outcome.Failed(outcome::kExitFinishFailed);
            MoveTo(kDirectoryAgain);
            return;
        }
        LogLine("Language " + Translator->Language + ", directory " + InstallDir);
        try {
            DownloadFiles();
        } catch (const inuse::InUseCancelled&) {
            // Cancel on the files-in-use box: the run ends there, with nothing changed.
            Outcome.Failed(outcome::kExitCancelled);
            Close();
            return;
        } catch (...) {
            Outcome.Failed(std::current_exception(), Cancelled == 1);
            throw;
        }
        MoveTo(kToFinish);
    } else if (Pnlstep5.Visible()) {
        Close();
    }
}

void TfInstall::BtnBackClick() {
    FocusKeeper keeper(*this);
    if (PnlStep2.Visible()) {
        MoveTo(kBackToLanguage);
    } else if (PnlStep3.Visible()) {
        MoveTo(kBackToLicence);
    }
}

void TfInstall::BitBtn2Click() {
    const int answer = ui::Application::Instance().MessageBox(
        TranslatedUtf8(kTextCancelQuestion), TranslatedUtf8(kTextCancelCaption), MB_YESNO | MB_ICONQUESTION, Handle());
    if (answer != IDYES) return;
    Outcome.Cancelled();
    if (Download.HttpClient) {
        AbortDownload();
        Cancelled = 1;
    }
    Close();
}

void TfInstall::FormClose() {
    if (InstallDone != 1) return;
    CloseInstall();
}

void TfInstall::Label13Click() {
    ui::Application::Instance().ShellOpen(
        {Handle(), std::nullopt, encoding::Widen(kProductWebSite), L"", L"", SW_SHOWMAXIMIZED});
}

void TfInstall::Label16Click() {
    const std::string address = std::string("mailto:") + kSupportEmail;
    ui::Application::Instance().ShellOpen(
        {GetDesktopWindow(), std::nullopt, encoding::Widen(address), std::nullopt, std::nullopt, SW_SHOWNORMAL});
}

void TfInstall::FormatLicenseText() {
    for (const LicenseRun& run : kLicenseBoldRuns) {
        const RichRange range = ToRichEditRange(licenseEnText_, run);
        memLicenseRaRozoEn.SetSelection(range.start, range.length);
        memLicenseRaRozoEn.SetSelectionBold();
    }
    memLicenseRaRozoEn.SetSelection(0, 0);
}
