#include "ui/Application.h"
#include "ui/Text.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

UINT g_seen = 0;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg >= WM_USER) g_seen = msg;
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

TEST(Text, Latin1RoundTripsThroughUnicode) {
    const std::string accents = "\xCAtes-vous certain? Termin\xE9 \x80";  // Ê, é, euro sign
    const std::wstring wide = ui::Widen(accents);
    EXPECT_EQ(wide, L"\u00CAtes-vous certain? Termin\u00E9 \u20AC");
    EXPECT_EQ(ui::Narrow(wide), accents);
    EXPECT_EQ(ui::Widen(""), L"");
}

TEST(Application, ProcessMessagesDispatchesWhatIsQueuedAndReturns) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QuorvaneTestRecorder";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(hwnd, nullptr);
    g_seen = 0;
    PostMessageW(hwnd, WM_USER + 7, 0, 0);
    ui::Application::Instance().ProcessMessages();
    EXPECT_EQ(g_seen, UINT(WM_USER + 7));
    DestroyWindow(hwnd);
}

TEST(Application, WaitForMessageSleepsUntilTheTimeOrAMessage) {
    auto& app = ui::Application::Instance();
    app.ProcessMessages();
    DWORD start = GetTickCount();
    app.WaitForMessage(50);
    EXPECT_GE(GetTickCount() - start, 40u);
}

TEST(Application, ExceptionsReachTheErrorHook) {
    auto& app = ui::Application::Instance();
    std::string shown;
    app.ErrorHook = [&](const std::string& m) { shown = m; };
    try {
        throw std::runtime_error("Connection Failed");
    } catch (...) {
        app.HandleException(std::current_exception());
    }
    app.ErrorHook = nullptr;
    EXPECT_EQ(shown, "Connection Failed");
}
