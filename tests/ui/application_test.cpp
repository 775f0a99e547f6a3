// The application object's own promises. That ProcessMessages dispatches what is queued, and that
// an exception handed to HandleException reaches ErrorHook, the controls' tests check through the
// windows that rely on them.
#include "ui/Application.h"
#include "ui/TaskbarProgress.h"
#include "encoding/TextEncoding.h"

#include <gtest/gtest.h>

#include <optional>
#include <thread>

TEST(Text, Windows1252RoundTripsThroughUnicode) {
    const std::string accents = "\xCAtes-vous certain? Termin\xE9 \x80";  // Ê, é, euro sign
    const std::wstring wide = encoding::Widen(accents);
    EXPECT_EQ(wide, L"\u00CAtes-vous certain? Termin\u00E9 \u20AC");
    EXPECT_EQ(encoding::Narrow(wide), accents);
    EXPECT_EQ(encoding::Widen(""), L"");
}

TEST(Application, WaitForMessageSleepsUntilTheTimeOrAMessage) {
    auto& app = ui::Application::Instance();
    app.ProcessMessages();
    DWORD start = GetTickCount();
    app.WaitForMessage(50);
    EXPECT_GE(GetTickCount() - start, 40u);
}

// Wine's shell offers the task bar's object (its calls change nothing one could see); a thread
// without COM cannot make it, and there every call does nothing.
TEST(TaskbarProgress, MadeWhereTheShellOffersItAndHarmlessWhereNot) {
    HWND button = ui::Application::Instance().TaskbarWindow();
    for (const bool withCom : {true, false}) {
        std::thread([&] {
            std::optional<ui::ComApartment> com;
            if (withCom) com.emplace();
            ui::TaskbarProgress progress(button);
            EXPECT_EQ(progress.Available(), withCom);
            progress.SetState(TBPF_PAUSED);
            progress.SetValue(5, 10);
            progress.SetState(TBPF_ERROR);
        }).join();
    }
}
