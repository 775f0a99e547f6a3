#include "bench/download/WizardPage.h"

#include "app/download/DownloadServer.h"
#include "bench/support/RuntimePin.h"
#include "tests/support/TestApplication.h"

namespace {

std::string g_server;
verify::TPinnedFile g_pinned{};

const std::string& ShownOnPageFour(TfInstall& form) {
    form.Show();
    form.ShowSteps(false, false, false, true, false);
    ui::Application::Instance().ProcessMessages();
    return form.TempPath;
}

}  // namespace

const char* DownloadServer() { return g_server.c_str(); }
const verify::TPinnedFile* PinnedFile(std::string_view name) {
    return g_pinned.Name && name == g_pinned.Name ? &g_pinned : nullptr;
}

namespace benchdownload {

Session::Session() {
    testsupport::StartApplication();
    Translator = &table_;
}

Session::~Session() { Translator = nullptr; }

void UseServer(const std::string& address) { g_server = address; }

void PinServedFile(const std::string& path) { g_pinned = benchpin::PinFromFile("quorvane.exe", path); }

PageFour::PageFour() : form(GetThreadLocale()), folder_(ShownOnPageFour(form)) {
    form.DownloadDir = folder_.Path();
    form.Downloads = &folder_;
}

}  // namespace benchdownload
