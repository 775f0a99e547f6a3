// The wizard's controller: set-up at creation, language, pages and their buttons, consent,
// Cancel, close-time work and the links of the last page.
#include "app/LicenseText.h"
#include "app/install/DownloadFolder.h"
#include "app/install/FinishInstall.h"
#include "app/install/ShellFolderTree.h"
#include "app/log/InstallLog.h"
#include "app/uInstall.h"
#include "ui/Application.h"
#include "ui/Text.h"

namespace {

constexpr int kTextNext = 30, kTextInstall = 31, kTextDone = 32;
constexpr int kTextDefaultDir = 8, kTextCancelQuestion = 25, kTextCancelCaption = 26;
constexpr WORD kLangFrench = 0x0C, kLangEnglish = 0x09;
constexpr COLORREF kBarColour = 0xFF8000;  // red 0, green 128, blue 255

// Primary language of a locale id; a locale without a language (low word 0) counts as English.
WORD PrimaryLanguage(LCID locale) {
    const WORD langId = LOWORD(locale);
    return langId == 0 ? kLangEnglish : static_cast<WORD>(langId & 0x3FF);
}

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
    : AskProxyCredentials([this](const std::string& proxy) { return AskWithDialog(proxy); }) {
    BuildLayout();
    RegisterCaptions();
    BindEvents();
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

std::string TfInstall::Translated(int index) const {
    std::string text;
    Translator->GetText(index, text);
    return text;
}

void TfInstall::BindEvents() {
    OnClose = [this] { FormClose(); };
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
    PostMessageW(ProgBarDL.Handle(), PBM_SETBARCOLOR, 0, kBarColour);
    ReadProgramsPath();
    ReadDesktopPath();
    TempPath = install::ReadTempPath();
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
}

void TfInstall::rdoFrenchClick() {
    Translator->SetLanguage("francais");
    ApplyLanguage();
}

void TfInstall::RdoEnglishClick() {
    Translator->SetLanguage("anglais");
    ApplyLanguage();
}

void TfInstall::rdoagreeClick() {
    btnBack.SetEnabled(true);
    BtnNext.SetEnabled(true);
    BtnNext.SetText(Translated(kTextNext));
}

void TfInstall::rdoDenyClick() {
    btnBack.SetEnabled(true);
    BtnNext.SetEnabled(false);
    BtnNext.SetText(Translated(kTextNext));
}

void TfInstall::TxtDirChange() { BtnNext.SetEnabled(!TxtDir.Text().empty()); }

void TfInstall::BtnNextClick() {
    FocusKeeper keeper(*this);
    if (PnlStep1.Visible()) {
        LoadLicenseTexts();
        ShowSteps(false, true, false, false, false);
        btnBack.SetEnabled(true);
        BtnNext.SetEnabled(false);
        rdoDeny.SetChecked(true);
        BtnNext.SetText(Translated(kTextNext));
    } else if (PnlStep2.Visible()) {
        EnsureFolderTree();
        ShowSteps(false, false, true, false, false);
        btnBack.SetEnabled(true);
        BtnNext.SetEnabled(!TxtDir.Text().empty());
        BtnNext.SetText(Translated(kTextInstall));
    } else if (PnlStep3.Visible()) {
        if (!ConfirmOverwrite()) return;
        ShowSteps(false, false, false, true, false);
        btnBack.SetEnabled(false);
        BtnNext.SetEnabled(false);
        if (!AcceptInstallDir()) {
            // The directory could not be made (its error box has been shown twice): nothing is
            // downloaded or installed; page 3 comes back as it was.
            Outcome.Failed(cmdline::kExitFinishFailed);
            ShowSteps(false, false, true, false, false);
            btnBack.SetEnabled(true);
            BtnNext.SetEnabled(!TxtDir.Text().empty());
            return;
        }
        LogLine("Language " + Translator->Language + ", directory " + InstallDir);
        try {
            DownloadFiles();
        } catch (...) {
            Outcome.Failed(std::current_exception(), Cancelled == 1);
            throw;
        }
        btnBack.SetEnabled(false);
        BtnNext.SetEnabled(true);
        BtnClose.SetEnabled(false);
        BtnNext.SetText(Translated(kTextDone));
        ShowSteps(false, false, false, false, true);
    } else if (Pnlstep5.Visible()) {
        Close();
    }
}

void TfInstall::BtnBackClick() {
    FocusKeeper keeper(*this);
    if (PnlStep2.Visible()) {
        ShowSteps(true, false, false, false, false);
        btnBack.SetEnabled(false);
        BtnNext.SetEnabled(true);
        BtnNext.SetText(Translated(kTextNext));
    } else if (PnlStep3.Visible()) {
        ShowSteps(false, true, false, false, false);
        btnBack.SetEnabled(true);
        BtnNext.SetEnabled(true);
        BtnNext.SetText(Translated(kTextNext));
        rdoDeny.SetChecked(true);
    }
}

void TfInstall::BitBtn2Click() {
    const int answer = ui::Application::Instance().MessageBox(
        Translated(kTextCancelQuestion), Translated(kTextCancelCaption), MB_YESNO | MB_ICONQUESTION, Handle());
    if (answer != IDYES) return;
    Outcome.Cancelled();
    if (HttpClient) {
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
        {Handle(), std::nullopt, ui::Widen(kProductWebSite), L"", L"", SW_SHOWMAXIMIZED});
}

void TfInstall::Label16Click() {
    const std::string address = std::string("mailto:") + kSupportEmail;
    ui::Application::Instance().ShellOpen(
        {GetDesktopWindow(), std::nullopt, ui::Widen(address), std::nullopt, std::nullopt, SW_SHOWNORMAL});
}

void TfInstall::FormatLicenseText() {
    for (const LicenseRun& run : kLicenseBoldRuns) {
        const RichRange range = ToRichEditRange(licenseEnText_, run);
        memLicenseRaRozoEn.SetSelection(range.start, range.length);
        memLicenseRaRozoEn.SetSelectionBold();
    }
    memLicenseRaRozoEn.SetSelection(0, 0);
}
