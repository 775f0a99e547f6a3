// Program start: application title, the translation table, the wizard form, the message loop.
#include "app/DllSearchPath.h"
#include "app/uInstall.h"
#include "ui/Application.h"

#include <memory>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    RestrictDllSearchPath();
    ui::ComApartment com;
    auto& app = ui::Application::Instance();
    // The locale is read once, before anything else can change it.
    const LCID locale = GetThreadLocale();
    app.Initialize();
    app.SetTitle("Installation");
    // The table lives until the process ends.
    Translator = new tTranslate;
    try {
        auto form = std::make_unique<TfInstall>(locale);
        fInstall = form.get();
        form->SetMainForm(true);
        form->Show();
        app.Run();
        fInstall = nullptr;
    } catch (...) {
        app.HandleException(std::current_exception());
        return 1;
    }
    return 0;
}
