#pragma once
// A fresh wizard form and translation table per test, message boxes answered by the test.
#include "app/wizard/WizardForm.h"
#include "tests/app/install/InstallTestSupport.h"
#include "tests/support/TestApplication.h"
#include "ui/Application.h"
#include "encoding/TextEncoding.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

constexpr LCID kFrench = 0x040C, kEnglish = 0x0409, kFrenchCanada = 0x0C0C, kGerman = 0x0407;

class WizardTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testsupport::StartApplication(); }

    void SetUp() override {
        ui::Application::Instance().MessageBoxHook = [this](const std::string& text, const std::string& caption,
                                                            UINT flags) {
            boxes.push_back({text, caption, flags});
            return answer;
        };
    }

    void TearDown() override {
        if (form) KillTimer(form->Handle(), kTickTimer);
        onTick_ = nullptr;
        form.reset();
        delete Translator;
        Translator = nullptr;
        ui::Application::Instance().MessageBoxHook = nullptr;
        ui::Application::Instance().ShellOpenHook = nullptr;
    }

    TfInstall& Start(LCID locale = kFrench, TfInstall::Build build = TfInstall::Build::WholeForm) {
        form.reset();
        delete Translator;
        Translator = new tTranslate;
        form = std::make_unique<TfInstall>(locale, build);
        // No test may wait on the proxy credentials dialog: a proxy's 407 gets none.
        form->Download.AskProxyCredentials = nullptr;
        return *form;
    }

    static void Click(const ui::Window& w) { SendMessageW(w.Handle(), BM_CLICK, 0, 0); }
    // As typing does, raises the box's change notice. Paths are UTF-8.
    static void Type(const ui::Edit& box, const std::string& text) {
        SendMessageW(box.Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(encoding::WidenPath(text).c_str()));
    }

    // Page 1 and the licence's consent behind: the directory's page shows.
    void ToDirectoryPage() {
        Click(form->BtnNext);
        Click(form->rdoagree);
        Click(form->BtnNext);
    }
    // Install with the run already cancelled: no download starts and the last page shows.
    void ToLastPage() {
        ToDirectoryPage();
        form->Cancelled = 1;
        Click(form->BtnNext);
    }

    // Runs `act` once, from inside whatever message loop is pumping (a running download, a
    // back-off), at the first tick of `ms` at which `when` holds.
    void OnTick(std::function<bool()> when, std::function<void()> act, UINT ms = 10) {
        onTick_ = [this, when = std::move(when), act = std::move(act)] {
            if (!when()) return;
            KillTimer(form->Handle(), kTickTimer);
            act();
        };
        SetTimer(form->Handle(), kTickTimer, ms, [](HWND, UINT, UINT_PTR, DWORD) {
            if (onTick_) onTick_();
        });
    }

    // The one visible page, 1..5; 0 when none or several are.
    int Page() const {
        const ui::Panel* pages[] = {&form->PnlStep1, &form->PnlStep2, &form->PnlStep3, &form->PnlStep4,
                                    &form->Pnlstep5};
        std::vector<int> shown;
        for (int i = 0; i < 5; ++i)
            if (pages[i]->Visible()) shown.push_back(i + 1);
        return shown.size() == 1 ? shown[0] : 0;
    }

    // Back, Next, Cancel enabled, as "BNC" with '-' for a disabled button.
    std::string Buttons() const {
        std::string s;
        s += form->btnBack.Enabled() ? 'B' : '-';
        s += form->BtnNext.Enabled() ? 'N' : '-';
        s += form->BtnClose.Enabled() ? 'C' : '-';
        return s;
    }

    std::unique_ptr<TfInstall> form;
    std::vector<installtest::Box> boxes;
    int answer = IDNO;

private:
    static constexpr UINT_PTR kTickTimer = 0x51;
    static inline std::function<void()> onTick_;  // a timer procedure carries no context
};
