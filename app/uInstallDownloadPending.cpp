// Built only while the HTTP engine (net/http/HttpClient.h) is not in the tree: the download page
// fetches nothing and runs no finishing step, so the wizard goes from page 3 to page 5 with
// InstallDone left at 0. uInstallDownload.cpp replaces this file as soon as the engine is there.
#include "app/uInstall.h"

void HttpClientDeleter::operator()(net::THttpClient*) const noexcept {}

std::string TfInstall::DownloadUrl(const std::string& file) { return "/download/lite/" + file; }

void TfInstall::DownloadFiles() {}
void TfInstall::AbortDownload() {}
void TfInstall::CheckReply() {}
void TfInstall::StartDownloadClient() {}
void TfInstall::FetchFile(const std::string&) {}
void TfInstall::HttpAboutToSend(void*) {}
void TfInstall::HttpConnect(void*) {}
void TfInstall::HttpPacketRecvd(void*) {}
void TfInstall::HttpInvalidHost(bool&) {}
