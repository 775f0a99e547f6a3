// The application object's own promises. That ProcessMessages dispatches what is queued, and that
// an exception handed to HandleException reaches ErrorHook, the controls' tests check through the
// windows that rely on them.
#include "ui/Application.h"
#include "ui/Text.h"

#include <gtest/gtest.h>

TEST(Text, Windows1252RoundTripsThroughUnicode) {
    const std::string accents = "\xCAtes-vous certain? Termin\xE9 \x80";  // Ê, é, euro sign
    const std::wstring wide = ui::Widen(accents);
    EXPECT_EQ(wide, L"\u00CAtes-vous certain? Termin\u00E9 \u20AC");
    EXPECT_EQ(ui::Narrow(wide), accents);
    EXPECT_EQ(ui::Widen(""), L"");
}

TEST(Application, WaitForMessageSleepsUntilTheTimeOrAMessage) {
    auto& app = ui::Application::Instance();
    app.ProcessMessages();
    DWORD start = GetTickCount();
    app.WaitForMessage(50);
    EXPECT_GE(GetTickCount() - start, 40u);
}
