#pragma once
// What the installation tests share: a translation table in a chosen language, answered message
// boxes, a scratch folder in the prefix's temporary directory, and read-back of files and values.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "i18n/traducteur.h"

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

// A fresh folder under the temporary directory, removed with everything in it on destruction.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& name);
    ~ScratchDir();
    const std::string& Path() const { return path_; }  // ends with a backslash
private:
    std::string path_;
};

void RemoveTree(const std::string& path);
bool IsDirectory(const std::string& path);
bool Exists(const std::string& path);
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// Paths here are UTF-8, as in the installer (ui/Text.h).
// A REG_SZ value, or "<missing>"; ReadRegPath gives a value holding a path as UTF-8.
std::string ReadRegString(HKEY root, const std::string& key, const std::string& value);
std::string ReadRegPath(HKEY root, const std::string& key, const std::string& value);
// The text of one item of a tree-view control.
std::wstring TreeItemText(HWND tree, HTREEITEM item);
// Directory of the running test program, ending with a backslash.
std::string ProgramDir();
// The bytes of one of the product's files as this build pinned them (QUORVANE_PRODUCT_DIR): what
// a test server must serve for the download to be installed.
std::string ProductFileBytes(const std::string& name);

}  // namespace installtest
