#pragma once
// Host or host:port of the product's download server (plain HTTP), or https://host[:port].
// Defined by the program that links the wizard (DownloadServer.cpp, compiled with
// QUORVANE_DOWNLOAD_SERVER), so that the end-to-end copies of the installer and the tests reach
// their own servers through the same code.
const char* DownloadServer();
