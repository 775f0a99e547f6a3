#pragma once
// What the installation tests share: a translation table in a chosen language, answered message
// boxes, and read-back of registry values and tree items. Files and folders come from the support
// library, brought into this namespace for the tests that use both.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "i18n/traducteur.h"
#include "tests/support/TemporaryFiles.h"
#include "tests/support/WholeFile.h"

namespace installtest {

struct Box {
    std::string text, caption;
    UINT flags;
};

// Sets `Translator` to a table in `language` and answers every message box with `answer`,
// recording what was asked; undone on destruction. Also initialises COM for the test.
class Session {
public:
    explicit Session(const std::string& language, int answer = IDOK);
    ~Session();
    std::vector<Box> boxes;
    int answer;
    tTranslate table;
};

using testsupport::Exists;
using testsupport::IsDirectory;
using testsupport::ReadWholeFile;
using testsupport::RemoveTree;
using testsupport::TemporaryFolder;
using testsupport::WriteWholeFile;

// Paths here are UTF-8, as in the installer (encoding/TextEncoding.h).
// A REG_SZ value, or "<missing>"; ReadRegPath gives a value holding a path as UTF-8.
std::string ReadRegString(HKEY root, const std::string& key, const std::string& value);
std::string ReadRegPath(HKEY root, const std::string& key, const std::string& value);
// The text of one item of a tree-view control.
std::wstring TreeItemText(HWND tree, HTREEITEM item);
// The settings file the closing steps write: Quorvane_b.ini in the Windows directory.
std::string SettingsFilePath();
// Directory of the running test program, ending with a backslash.
std::string ProgramDir();
// The bytes of one of the files the build published for the sample product (its files,
// release.manifest and release.manifest.sig): what a test server serves for an installation.
std::string ProductFileBytes(const std::string& name);

}  // namespace installtest
