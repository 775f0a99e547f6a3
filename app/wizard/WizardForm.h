#pragma once
// app/wizard owns the wizard form TfInstall: five stacked pages (language, licence, directory,
// download, finish) above a band with Back, Next and Cancel. Its layout is in WizardLayout.cpp,
// its navigation in WizardController.cpp, its side of the installation steps that app/install
// provides in WizardInstallSteps.cpp, page 4's front end of the download that app/download runs in
// DownloadPage.cpp; beside them the licence texts (LicenseText.h) and page 4's line for the whole
// download (DownloadPaceDisplay.h).
#include "app/download/DownloadSequence.h"
#include "app/outcome/RunOutcome.h"
#include "app/install/FinishInstall.h"
#include "app/inuse/FilesInUse.h"
#include "i18n/traducteur.h"
#include "ui/Controls.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace cache {
class DownloadCache;
}  // namespace cache
namespace install {
struct InstallState;
}  // namespace install
namespace ui {
class ShellFolderTree;
}  // namespace ui
struct WizardBand;
class DownloadPaceDisplay;
struct WizardMove;

class TfInstall : public ui::Form, public ICaptionTarget {
    // Declared before the controls so that they outlive them.
    ui::Font titleFont_, subtitleFont_, bodyFont_, bodyBoldFont_, promptFont_, linkFont_;

public:
    // What the constructor builds: the whole form; or page 1 and the button band only, for a
    // program that paints page 1 before it calls BuildOtherPages().
    enum class Build { WholeForm, PageOneFirst };
    // locale: the thread locale read when the program started (GetThreadLocale); it picks the
    // first language. The form is built, captioned and set up (FormCreate) but not yet shown.
    explicit TfInstall(LCID locale, Build build = Build::WholeForm);
    // Builds pages 2 to 5, captions and sets them up, and reads the folders the finishing steps
    // use: all that page 1 does not need. Does nothing once done.
    void BuildOtherPages();
    ~TfInstall() override;

    void SetCaption(std::string_view control, const std::string& text) override;

    // Pages.
    ui::Panel PnlStep1, PnlStep2, PnlStep3, PnlStep4, Pnlstep5, PnlBottom;
    // Page headers.
    ui::Shape Shape1, Shape2, Shape3, Shape4, Shape5;
    ui::Bevel Bevel1, Bevel2, Bevel3, Bevel4, Bevel5;
    ui::Picture Image1, Image2, Image3, Image4, Image5;
    ui::Label Label1, Label2, Label19, Label20, Label6, Label7, Label4, Label5, Label9, Label10;
    // Page 1.
    ui::Label Label3;
    ui::RadioButton rdoFrench, RdoEnglish;
    // Page 2.
    ui::Memo memLicenceEn, memLicenseEntreFr, memLicenseProFr, memLicenseRaRozoFr;
    ui::RichEdit memLicenseRaRozoEn;
    ui::RadioButton rdoagree, rdoDeny;
    // Page 3.
    ui::Label Label8;
    ui::Edit TxtDir;
    ui::TreeView Directory;
    // Page 4.
    ui::Label LblStatus, LblFN, LblBytes, Label12;
    ui::Label LblPace;  // the whole download: bytes, speed, time left
    ui::ProgressBar ProgBarDL;
    // Page 5.
    ui::Label Label11, Label14, Label13, Label15, Label16;
    ui::Label LblVersion;  // the release installed, as its manifest names it
    ui::CheckBox chkStartNow, ChkAutoStart;
    // Bottom band.
    ui::Button btnBack, BtnNext;
    ui::FlatButton BtnClose;

    // Wizard state shared with the directory, download and finishing steps.
    // The download of page 4, whose front end the form is (DownloadPage.cpp); it holds the HTTP
    // client and the current file.
    DownloadSequence Download;
    std::unique_ptr<DownloadPaceDisplay> PaceDisplay;  // page 4's line and the task bar's progress
    // Paths are UTF-8 (encoding/TextEncoding.h).
    std::string DataFolder;   // where the download cache is kept, read at creation; empty: none
    std::string TempPath;     // the user's, read at creation; a run without a cache downloads there
    std::string DownloadDir;  // the cache's folder (or the run's own), named when the download starts
    // The cache while the download and the finishing steps run: it holds each file open from its
    // creation until the end of the finishing steps. Null otherwise.
    cache::DownloadCache* Downloads = nullptr;
    unsigned char Cancelled = 0;
    unsigned char InstallDone = 0;
    std::string InstallDir;
    std::string DesktopPath;
    std::string ProgramsPath;
    // The finishing and closing steps' changes to the machine, from the end of the download to
    // the closing steps' commit; rolled back if the form goes before that.
    install::TransactionHolder Transaction;
    // How the run ends, for the exit code (WizardController.cpp records it).
    RunOutcome Outcome;
    int ExitCode() const { return Outcome.Code(InstallDone == 1); }

    // The command line's choices before the first page shows: the language as if its radio
    // button had been clicked, then the directory typed on page 3.
    void Preset(const std::optional<i18n::Language>& language, const std::optional<std::string>& dir);
    // Asked while installed product files to be replaced are in use: the box naming them, with
    // Retry and Cancel (true: Retry). A silent run empties it: files in use then end the run.
    inuse::AskRetry AskFilesInUse;

    // Controller.
    void ShowSteps(bool page1, bool page2, bool page3, bool page4, bool page5);
    void ApplyLanguage();
    void NameForScreenReaders();
    void FormatLicenseText();
    // The licence panes' texts and bold runs, on the first arrival at page 2.
    void LoadLicenseTexts();

    // Event handlers.
    void FormCreate(LCID locale);
    void FormClose();
    void rdoFrenchClick();
    void RdoEnglishClick();
    void rdoagreeClick();
    void rdoDenyClick();
    void BtnNextClick();
    void BtnBackClick();
    void BitBtn2Click();
    void Label13Click();
    void Label16Click();
    void TxtDirChange();
    void DirectoryChange();

    // Installation steps (WizardInstallSteps.cpp): directory checks, finishing and closing work.
    bool ConfirmOverwrite();
    bool AcceptInstallDir();
    void ReadProgramsPath();
    void ReadDesktopPath();
    void FinishInstall();
    void CloseInstall();
    void AttachFolderTree();
    // The folder tree, filled on the first arrival at page 3.
    void EnsureFolderTree();

    // Page 4 (DownloadPage.cpp): the download into a folder of the run's own, then the finishing
    // steps. The download's events show on the page: status, progress, the wait before a retry;
    // a proxy's question for credentials opens a dialog, a server that is not found a box.
    void DownloadFiles();
    void AbortDownload();
    // The download's client started, with the page's display of it; apart for the tests and the
    // benchmark.
    void StartDownloadClient();

private:
    void BuildLayout();
    void BuildOtherLayout();
    void BuildHeaders(bool pageOne);
    void BuildPage1();
    void BuildPage2();
    void BuildPage3();
    void BuildPage4();
    void BuildPage5();
    void BuildBottom();
    void BindEvents();
    void RegisterCaptions();
    // The bottom band's buttons after an action, and a move to another page with them.
    void SetBand(const WizardBand& band);
    void MoveTo(const WizardMove& move);

    install::InstallState State();
    // The page's handlers of the download's events.
    void BindDownload();
    void ShowProgress(const std::string& file, long long bytes, long long size);
    void ShowServerNotFound();
    // The release accepted: the whole download's size on the pace line, its version on page 5.
    void ShowRelease(const release::TRelease& release);
    std::optional<ProxyCredentials> AskWithDialog(const std::string& proxy);
    bool AskWithInUseBox(const inuse::TFilesInUse& found);

    std::string decimalSeparator_ = ".";  // the user's, read when the download starts
    int barMaximum_ = -1;                 // the progress bar's range as last sent

    std::map<std::string, ui::Window*, std::less<>> captioned_;
    // Fills the tree-view `Directory` with the shell's folders; declared after the controls so
    // that it goes before them.
    std::unique_ptr<ui::ShellFolderTree> folderTree_;
    bool folderTreeTried_ = false;
    bool otherPagesBuilt_ = false;
    std::string licenseEnText_;  // the English licence as stored, for the bold runs' positions
};

// English for an English thread locale (or one without a language), French otherwise.
i18n::Language LanguageForLocale(LCID locale);

// The one wizard form of the program.
extern TfInstall* fInstall;
