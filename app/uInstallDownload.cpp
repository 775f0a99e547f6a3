// PLACEHOLDER until the HTTP engine is in: downloads nothing and runs no finishing step.
#include "app/uInstall.h"

void TfInstall::DownloadFiles() {}

void TfInstall::AbortDownload() {}

// Nothing creates a client yet.
void HttpClientDeleter::operator()(net::THttpClient*) const noexcept {}
