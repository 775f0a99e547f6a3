#pragma once
// What both download benchmarks set up: the application with a translation table, the server and
// the release whose quorvane.exe the wizard's download step asks for (a benchmark serves a file it
// made when it runs, published with a signed manifest by its script), and the wizard shown on
// page 4 downloading into a folder of its own, as a run of the wizard does.
#include <string>

#include "app/cache/DownloadCache.h"
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
// The release published in `folder` (bench/support/publish-served.sh), checked as the installer
// checks it, from now on the one PageFour's download fetches from.
void UseServedRelease(const std::string& folder);
// Its quorvane.exe.
const release::TReleaseFile& ServedFile();

// The form shown on page 4 with a download folder of its own, removed with it: no download cache,
// so that every fetch downloads the whole file.
class PageFour {
public:
    PageFour();
    TfInstall form;

private:
    cache::DownloadCache folder_;
};

}  // namespace benchdownload
