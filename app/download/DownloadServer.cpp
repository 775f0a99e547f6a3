#include "app/download/DownloadServer.h"

#ifndef QUORVANE_DOWNLOAD_SERVER
#error "QUORVANE_DOWNLOAD_SERVER must name the download server (host or host:port)"
#endif

const char* DownloadServer() { return QUORVANE_DOWNLOAD_SERVER; }
