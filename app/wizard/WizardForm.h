#pragma once
// The wizard form: five stacked pages (language, licence, directory, download, finish) above a
// band with Back, Next and Cancel. Layout in WizardLayout.cpp, navigation in
// WizardController.cpp, the installation steps that other parts provide in WizardInstallSteps.cpp.
#include "app/outcome/RunOutcome.h"
#include "app/download/DownloadRetry.h"
#include "app/download/ProxyCredentials.h"
#include "i18n/traducteur.h"
#include "ui/Controls.h"

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace install {
struct InstallState;
class DownloadFolder;
}  // namespace install
namespace ui {
class ShellFolderTree;
}  // namespace ui
namespace net {
class THttpClient;
}  // namespace net
struct WizardBand;
class DownloadPaceDisplay;
struct WizardMove;

// Frees the download's HTTP client where its type is complete (app/download/DownloadSequence.cpp), so that
// only the download sequence needs the engine's header.
struct HttpClientDeleter {
    void operator()(net::THttpClient* client) const noexcept;
};

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
    ui::CheckBox chkStartNow, ChkAutoStart;
    // Bottom band.
    ui::Button btnBack, BtnNext;
    ui::FlatButton BtnClose;

    // Wizard state shared with the directory, download and finishing steps.
    std::unique_ptr<net::THttpClient, HttpClientDeleter> HttpClient;  // absent until the download starts
    std::unique_ptr<DownloadPaceDisplay> PaceDisplay;                 // page 4's line and the task bar's progress
    std::string CurrentFile;
    // Paths are UTF-8 (ui/Text.h).
    std::string TempPath;     // the user's, read at creation; each run makes its own folder in it
    std::string DownloadDir;  // that folder, named when the run starts; the run removes it at its end
    // That folder while the download and the finishing steps run: it holds each file open from its
    // creation until the end of the finishing steps. Null otherwise.
    install::DownloadFolder* Downloads = nullptr;
    unsigned char Cancelled = 0;
    unsigned char InstallDone = 0;
    std::string InstallDir;
    std::string DesktopPath;
    std::string ProgramsPath;
    // How the run ends, for the exit code (WizardController.cpp records it).
    RunOutcome Outcome;
    int ExitCode() const { return Outcome.Code(InstallDone == 1); }

    // The command line's choices before the first page shows: the language as if its radio
    // button had been clicked, then the directory typed on page 3.
    void Preset(const std::optional<std::string>& language, const std::optional<std::string>& dir);
    // How the download rides out a bad network: the silence allowed during a request, and the
    // pauses before the second and third attempt of a file.
    int InactivityTimeOutMs = kInactivityTimeOutMs;
    std::array<DWORD, kDownloadAttempts - 1> BackOffMs{kBackOffMs[0], kBackOffMs[1]};
    // Asked, once a run, when a proxy wants a user name and password that it was not given or
    // refused (407); returns what the user gave, nothing when he gave none. The wizard shows a
    // dialog; a silent run empties it, so that only the build's credentials count.
    std::function<std::optional<ProxyCredentials>(const std::string& proxy)> AskProxyCredentials;

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

    // Download sequence (app/download/DownloadSequence.cpp) and its handlers of the HTTP client's events.
    void DownloadFiles();
    void AbortDownload();
    void HttpAboutToSend(void* Sender);
    void HttpConnect(void* Sender);
    void HttpPacketRecvd(void* Sender);
    void HttpInvalidHost(bool& Handled);
    // "http://" + the compiled-in server address + "/download/lite/" + file.
    static std::string DownloadUrl(const std::string& file);
    // The two halves of the sequence, apart for the benchmark: the client with its handlers
    // bound, and one file fetched into Downloads (which must be set) and judged, with its retries.
    void StartDownloadClient();
    void FetchFile(const std::string& file);

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
    void CheckReply();
    // Before attempt `attempt` (2 or more) of the current file: the status line says so and the
    // back-off passes; a Cancel meanwhile ends it with the abort of a cancelled transfer.
    void WaitBeforeAttempt(int attempt);
    // Notes what the failed attempt left in the file (`storedBytes` long), for the next one's
    // resume point.
    void NoteFailedAttempt(AttemptResult& attempt, bool damaged, std::int64_t storedBytes);
    // "Server or update not found: <CurrentFile> (<detail>)", in the current language.
    std::string NotFound(const std::string& detail) const;
    // One request of the file; a proxy's 407 asks the user once a run, then the request goes
    // again with what he gave.
    void GetThroughProxy(const std::string& url);
    std::optional<ProxyCredentials> AskWithDialog(const std::string& proxy);

    std::string decimalSeparator_ = ".";   // the user's, read when the download starts
    int barMaximum_ = -1;                  // the progress bar's range as last sent
    unsigned long long lastProgress_ = 0;  // tick count of the last progress shown; 0: none yet
    long long shownBytes_ = 0;             // the most of the current file shown: never less after
    bool downloadAborted_ = false;         // the user's Cancel reached the download
    bool proxyCredentialsAsked_ = false;   // the user was asked for the proxy's credentials in this run
    static constexpr unsigned long long kProgressInterval = 100;  // milliseconds: ten updates a second

    std::map<std::string, ui::Window*, std::less<>> captioned_;
    // Fills the tree-view `Directory` with the shell's folders; declared after the controls so
    // that it goes before them.
    std::unique_ptr<ui::ShellFolderTree> folderTree_;
    bool folderTreeTried_ = false;
    bool otherPagesBuilt_ = false;
    std::string licenseEnText_;  // the English licence as stored, for the bold runs' positions
};

// "anglais" for an English thread locale (or one without a language), "francais" otherwise.
std::string LanguageKeyForLocale(LCID locale);

// The one wizard form of the program.
extern TfInstall* fInstall;
