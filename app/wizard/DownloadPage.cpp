// Page 4: the download of the product's four files into the download cache, shown as it goes,
// then the finishing steps. Runs inside the Next action of page 3; while a request waits for the
// network the socket layer keeps the window's messages flowing, so the handlers below, and
// Cancel, run nested inside DownloadFiles.
#include "app/download/DownloadProgress.h"
#include "app/cache/DownloadCache.h"
#include "app/install/ProductFiles.h"
#include "app/wizard/DownloadPaceDisplay.h"
#include "app/wizard/WizardForm.h"
#include "ui/Application.h"
#include "encoding/TextEncoding.h"
#include "i18n/MessageText.h"

namespace {

// The user's decimal separator, as the figures on page 4 show it.
std::string UserDecimalSeparator() {
    wchar_t separator[8] = {};
    if (!GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8) || !separator[0]) return ".";
    return encoding::Narrow(separator);
}

}  // namespace

void TfInstall::BindDownload() {
    Download.OnStatus = [this](const std::string& text) { LblStatus.SetText(text); };
    Download.OnProgress = [this](const std::string& file, long long bytes, long long size) {
        ShowProgress(file, bytes, size);
    };
    Download.OnWaitBeforeAttempt = [this](DWORD ms) {
        if (PaceDisplay) PaceDisplay->WaitBeforeAttempt(ms);
    };
    Download.OnHostNotFound = [this] { ShowServerNotFound(); };
    Download.OnRelease = [this](const release::TRelease& release) { ShowRelease(release); };
    Download.AskProxyCredentials = [this](const std::string& proxy) { return AskWithDialog(proxy); };
}

void TfInstall::DownloadFiles() {
    if (Cancelled == 1) return;
    // Opened and cleaned once the release manifest says which files belong; what it holds stays
    // for the next run unless the installation succeeds (or, without a cache, the run's own folder
    // goes however it ends).
    std::optional<cache::DownloadCache> folder;
    // The folder holds the files until the finishing steps end; nothing may reach them after.
    struct Released {
        TfInstall& form;
        ~Released() { form.Downloads = nullptr; }
    } released{*this};
    StartDownloadClient();
    {
        // The task bar's progress ends with the download: an error, or nothing once all is in.
        const DownloadPaceDisplay::Scope paceScope(PaceDisplay.get(), Cancelled);
        Download.FetchRelease();
        folder.emplace(DataFolder, install::RightsForThisRun(), Download.ExpectedFiles(), TempPath);
        DownloadDir = folder->Path();
        Downloads = &*folder;
        Download.FetchAll(*folder);
    }
    if (Cancelled == 0) FinishInstall();
    if (InstallDone == 1) folder->Installed();
}

void TfInstall::StartDownloadClient() {
    Download.Start();
    decimalSeparator_ = UserDecimalSeparator();
    barMaximum_ = -1;
    // A silent run has no task-bar button to show the progress on.
    PaceDisplay = std::make_unique<DownloadPaceDisplay>(
        LblPace, IsWindowVisible(Handle()) ? ui::Application::Instance().TaskbarWindow() : nullptr);
}

void TfInstall::AbortDownload() { Download.Abort(); }

std::optional<ProxyCredentials> TfInstall::AskWithDialog(const std::string& proxy) {
    std::string prompt = Translated(kTextProxyPrompt);
    if (const std::size_t at = prompt.find("%s"); at != std::string::npos) prompt.replace(at, 2, proxy);
    const ui::CredentialsTexts texts{Translated(kTextProxyCaption), prompt,
                                     Translated(kTextProxyUser),    Translated(kTextProxyPassword),
                                     Translated(kTextOk),           Translated(kTextCancel)};
    return ui::AskCredentials(Handle(), texts, Download.ProxyUserId());
}

void TfInstall::ShowProgress(const std::string& file, long long bytes, long long size) {
    if (PaceDisplay) PaceDisplay->FileProgress(file, bytes);
    progress::DownloadView view;
    if (!progress::ComputeView(file, bytes, size, decimalSeparator_, view)) return;
    // The range message repaints the bar: send it only when the range changes.
    if (view.bar.maximum != barMaximum_) {
        ProgBarDL.SetRange(0, view.bar.maximum);
        barMaximum_ = view.bar.maximum;
    }
    ProgBarDL.SetPosition(view.bar.position);
    LblBytes.SetText(view.bytesLabel);
    LblFN.SetText(view.fileLabel);
}

// The whole download's size, and the version the last page names.
void TfInstall::ShowRelease(const release::TRelease& release) {
    if (PaceDisplay) {
        std::vector<std::pair<std::string, std::int64_t>> files;
        for (const release::TReleaseFile* file : release::FilesInOrder(release, install::kDownloadOrder))
            files.emplace_back(file->Name, static_cast<std::int64_t>(file->Size));
        PaceDisplay->Expect(std::move(files));
    }
    std::string text = Translated(kTextInstalledVersion);
    if (const std::size_t at = text.find("%1"); at != std::string::npos) text.replace(at, 2, release.Version);
    LblVersion.SetText(text);
}

// The form is already closed when the request fails, so the program ends after its error box.
void TfInstall::ShowServerNotFound() {
    ui::Application::Instance().MessageBox(TranslatedUtf8(kTextNotFound), TranslatedUtf8(kTextInterrupted),
                                           MB_OK | MB_ICONERROR, Handle());
    Close();
}
