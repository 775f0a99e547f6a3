#pragma once
// What both download benchmarks set up: the application with a translation table, the server and
// the pinned file that the wizard's download step asks for (a benchmark serves a file it made
// when it runs, so it pins that file at start), and the wizard shown on page 4 downloading into
// a folder of its own, as a run of the wizard does.
#include <string>

#include "app/install/DownloadFolder.h"
#include "app/wizard/WizardForm.h"
#include "i18n/traducteur.h"

namespace benchdownload {

// The application started as Install.exe starts it, a translation table in place meanwhile.
class Session {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

private:
    tTranslate table_;
};

// DownloadServer() gives `address` ("host:port") from now on.
void UseServer(const std::string& address);
// Pins the file at `path` as quorvane.exe: its size and SHA-256, read now, before anything is timed.
void PinServedFile(const std::string& path);

// The form shown on page 4 with a download folder of its own, removed with it.
class PageFour {
public:
    PageFour();
    TfInstall form;

private:
    install::DownloadFolder folder_;
};

}  // namespace benchdownload
