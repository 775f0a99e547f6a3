// The installer's DLL search path, restricted as Install.exe does first thing, with DLLs planted
// beside this program: a planted DLL is never loaded by name, and the wizard's RichEdit (loaded
// on demand) still shows the licence. Runs alone in its own folder, where the build planted
// quorvane_planted.dll and a Msftedit.dll.
#include "app/main/DllSearchPath.h"
#include "app/download/DownloadServer.h"
#include "app/wizard/WizardForm.h"
#include "tests/app/install/InstallTestSupport.h"
#include "tests/support/TestApplication.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(DllSearchPath, APlantedDllIsNeverLoadedAndRichEditStillShows) {
    for (const char* planted : {"quorvane_planted.dll", "Msftedit.dll"})
        ASSERT_TRUE(testsupport::Exists(installtest::ProgramDir() + planted)) << planted;
    RestrictDllSearchPath();

    EXPECT_EQ(LoadLibraryW(L"quorvane_planted.dll"), nullptr);
    testsupport::StartApplication();
    Translator = new tTranslate;
    auto form = std::make_unique<TfInstall>(MAKELCID(0x0409, SORT_DEFAULT));
    form->LoadLicenseTexts();  // as the first arrival at the licence page does
    const HWND pane = form->memLicenseRaRozoEn.Handle();
    ASSERT_NE(pane, nullptr);
    wchar_t cls[64] = {};
    GetClassNameW(pane, cls, 64);
    EXPECT_TRUE(_wcsnicmp(cls, L"RichEdit", 8) == 0) << cls;
    EXPECT_GT(GetWindowTextLengthW(pane), 1000);
    const HMODULE richEdit = GetModuleHandleW(L"Msftedit.dll");
    if (richEdit) {
        EXPECT_EQ(GetProcAddress(richEdit, "QuorvanePlanted"), nullptr);
    }
    form.reset();
    delete Translator;
    Translator = nullptr;
}

}  // namespace

// Nothing is downloaded here.
const char* DownloadServer() { return "127.0.0.1:1"; }
