// Writes the layout of a wizard form built at the DPI this process starts at (tests/app/wizard/
// WizardLayout.h), every page built and the licence panes made, to the file named by its argument:
// what the DPI test compares a form re-laid out on WM_DPICHANGED with.
#include "WizardLayout.h"
#include "app/download/DownloadServer.h"
#include "tests/support/TestApplication.h"

#include <fstream>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    testsupport::StartApplication();
    Translator = new tTranslate;
    TfInstall form(0x0409);
    form.LoadLicenseTexts();
    std::ofstream out(argv[1]);
    for (const std::string& line : LayoutOf(form)) out << line << "\n";
    return out ? 0 : 1;
}

const char* DownloadServer() { return "127.0.0.1:1"; }
