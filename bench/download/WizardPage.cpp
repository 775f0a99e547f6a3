#include "bench/download/WizardPage.h"

#include "app/download/DownloadServer.h"
#include "bench/support/ServedRelease.h"
#include "tests/support/TestApplication.h"

namespace {

std::string g_server;
release::TRelease g_release;

const std::string& ShownOnPageFour(TfInstall& form) {
    form.Show();
    form.ShowSteps(false, false, false, true, false);
    ui::Application::Instance().ProcessMessages();
    return form.TempPath;
}

}  // namespace

const char* DownloadServer() { return g_server.c_str(); }

namespace benchdownload {

Session::Session() {
    testsupport::StartApplication();
    Translator = &table_;
}

Session::~Session() { Translator = nullptr; }

void UseServer(const std::string& address) { g_server = address; }

void UseServedRelease(const std::string& folder) { g_release = benchrelease::ServedRelease(folder); }

const release::TReleaseFile& ServedFile() { return benchrelease::FileOf(g_release, "quorvane.exe"); }

PageFour::PageFour()
    : form(GetThreadLocale()), folder_({}, install::FolderRights::Inherited, {}, ShownOnPageFour(form)) {
    form.DownloadDir = folder_.Path();
    form.Downloads = &folder_;
    form.Download.Release = g_release;
}

}  // namespace benchdownload
