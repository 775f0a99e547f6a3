// The framework's controls driven through real window messages under Wine.
#include "tests/support/TestApplication.h"
#include "ui/Application.h"
#include "ui/Controls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

class Controls : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testsupport::StartApplication(); }
    void SetUp() override {
        form.Create("Test form", 300, 200, ui::FontStyle{});
        panelA.Create(form, {0, 0, 300, 100});
        panelB.Create(form, {0, 100, 300, 100});
    }
    void TearDown() override {
        auto& app = ui::Application::Instance();
        app.MessageBoxHook = nullptr;
        app.ErrorHook = nullptr;
    }
    static void Click(const ui::Window& w) { SendMessageW(w.Handle(), BM_CLICK, 0, 0); }
    // Where `control` sits in panelA, in pixels.
    RECT PlaceInPanel(const ui::Window& control) const {
        RECT r;
        GetWindowRect(control.Handle(), &r);
        MapWindowPoints(nullptr, panelA.Handle(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    ui::Form form;
    ui::Panel panelA, panelB;
};

TEST_F(Controls, RadioClickFiresWhenSelectedByUserOrProgramButNeverWhenAlreadySelected) {
    ui::RadioButton first, second, other;
    first.Create(panelA, {0, 0, 80, 17}, "first", {.checked = true, .firstOfGroup = true});
    second.Create(panelA, {0, 20, 80, 17}, "second");
    other.Create(panelB, {0, 0, 80, 17}, "other", {.checked = true, .firstOfGroup = true});
    int firstClicks = 0, secondClicks = 0;
    first.OnClick = [&] { ++firstClicks; };
    second.OnClick = [&] { ++secondClicks; };

    first.SetChecked(true);  // already selected
    Click(first);
    EXPECT_EQ(firstClicks, 0);

    Click(second);  // by the user
    EXPECT_EQ(secondClicks, 1);
    EXPECT_TRUE(second.Checked());
    EXPECT_FALSE(first.Checked());
    EXPECT_EQ(SendMessageW(first.Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);

    first.SetChecked(true);  // by the program
    EXPECT_EQ(firstClicks, 1);
    EXPECT_FALSE(second.Checked());
    // Another panel is another group.
    EXPECT_TRUE(other.Checked());
    EXPECT_EQ(SendMessageW(other.Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(Controls, FlatButtonClicksWithoutTakingTheFocus) {
    ui::Edit edit;
    ui::FlatButton flat;
    edit.Create(panelA, {0, 0, 100, 21});
    flat.Create(panelB, {0, 0, 93, 22}, "Annuler");
    int clicks = 0;
    flat.OnClick = [&] { ++clicks; };
    form.Show();
    SetFocus(edit.Handle());
    ASSERT_EQ(GetFocus(), edit.Handle());

    Click(flat);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(GetFocus(), edit.Handle());
    // A real mouse press and release inside it, then a press released outside (no click).
    SendMessageW(flat.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(flat.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    SendMessageW(flat.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(flat.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(500, 5));
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(GetFocus(), edit.Handle());
    SetFocus(flat.Handle());
    EXPECT_EQ(GetFocus(), edit.Handle());
    EXPECT_EQ(GetWindowLongPtrW(flat.Handle(), GWL_STYLE) & WS_TABSTOP, 0);
}

TEST_F(Controls, EditReportsTypedAndProgramChangesButNotTheSameTextAgain) {
    ui::Edit edit;
    edit.Create(panelA, {0, 0, 100, 21});
    int changes = 0;
    edit.OnChange = [&] { ++changes; };
    edit.SetText("C:\\Program Files\\");
    EXPECT_EQ(changes, 1);
    edit.SetText("C:\\Program Files\\");
    EXPECT_EQ(changes, 1);
    SendMessageW(edit.Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    EXPECT_EQ(changes, 2);
    SendMessageW(edit.Handle(), WM_CHAR, L'\xE9', 0);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(edit.Text(), "\xE9");
}

TEST_F(Controls, RightAlignedAutoSizedLabelGrowsToTheLeft) {
    ui::Label label;
    label.Create(panelA, {200, 10, 0, 13}, "", {.alignment = ui::Alignment::Right, .autoSize = true});
    label.SetText("12 345 / 67 890 octets");
    RECT r = PlaceInPanel(label);
    EXPECT_EQ(r.right, ui::Scale(200));
    EXPECT_GT(r.right - r.left, ui::Scale(40));
    const LONG wide = r.right - r.left;
    label.SetText("1 / 2");
    r = PlaceInPanel(label);
    EXPECT_EQ(r.right, ui::Scale(200));
    EXPECT_LT(r.right - r.left, wide);
}

// A note at a page's foot: one line at its place, further lines above it, none cut.
TEST_F(Controls, WrappedLabelGrowsUpwardFromItsLine) {
    ui::Label note;
    note.Create(panelA, {10, 60, 120, 13}, "", {.alignment = ui::Alignment::Right, .growUpward = true});
    // The line height, and the lines as the static control wraps a text at the label's width,
    // measured with the label's own font.
    TEXTMETRICW tm{};
    auto linesOf = [&](const std::string& text) {
        HDC measure = GetDC(note.Handle());
        HGDIOBJ before = SelectObject(measure, note.Font());
        GetTextMetricsW(measure, &tm);
        RECT r{0, 0, ui::Scale(120), 0};
        DrawTextA(measure, text.c_str(), -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        SelectObject(measure, before);
        ReleaseDC(note.Handle(), measure);
        return r.bottom / tm.tmHeight;
    };
    const std::string words[] = {"Short", "A note whose words need more than one line at this width",
                                 "A note whose words need more than two lines at this width, and then some more",
                                 "One"};
    int most = 0;
    for (const std::string& text : words) {
        SCOPED_TRACE(text);
        note.SetText(text);
        const int lines = linesOf(text);
        const int line = std::max<int>(ui::Scale(13), tm.tmHeight);
        most = std::max(most, lines);
        const RECT r = PlaceInPanel(note);
        EXPECT_EQ(r.bottom, ui::Scale(60) + line);
        EXPECT_EQ(r.bottom - r.top, lines == 1 ? line : lines * tm.tmHeight);
        EXPECT_EQ(r.left, ui::Scale(10));
        EXPECT_EQ(r.right, ui::Scale(130));
    }
    EXPECT_GE(most, 3);
}

TEST_F(Controls, ScaledBitmapStretchesTheWholePicture) {
    const DWORD red = 0xFF0000, blue = 0x0000FF;  // 32-bit pixels as they lie in memory: 0x00RRGGBB
    const DWORD pixels[] = {red, red, blue, blue, red, red, blue, blue};
    HBITMAP source = CreateBitmap(4, 2, 1, 32, pixels);
    HBITMAP scaled = ui::ScaledBitmap(source, 8, 4);
    ASSERT_NE(scaled, nullptr);
    BITMAP size{};
    GetObjectW(scaled, sizeof size, &size);
    EXPECT_EQ(size.bmWidth, 8);
    EXPECT_EQ(size.bmHeight, 4);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, scaled);
    EXPECT_EQ(GetPixel(dc, 0, 3), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 7, 3), RGB(0, 0, 255));
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(scaled);
    DeleteObject(source);
}

// The shell gives a task-bar button to each visible window that has no owner and is no tool
// window, and to any with WS_EX_APPWINDOW; the button reads that window's text.
std::vector<std::wstring> TaskbarEntries() {
    std::vector<std::wstring> entries;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM found) -> BOOL {
            const LONG_PTR ex = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
            const bool button = (ex & WS_EX_APPWINDOW) || (!GetWindow(hwnd, GW_OWNER) && !(ex & WS_EX_TOOLWINDOW));
            if (IsWindowVisible(hwnd) && button) {
                wchar_t text[256] = {};
                GetWindowTextW(hwnd, text, 256);
                reinterpret_cast<std::vector<std::wstring>*>(found)->push_back(text);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&entries));
    return entries;
}

TEST_F(Controls, LabelClickAndHandCursorReachTheLabel) {
    ui::Label link;
    link.Create(panelA, {10, 10, 100, 13}, "http://www.quorvane.com", {.handCursor = true});
    int clicks = 0;
    link.OnClick = [&] { ++clicks; };
    SendMessageW(link.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(link.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(SendMessageW(panelA.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(link.Handle()),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              TRUE);
}

TEST_F(Controls, ButtonErrorReachesTheErrorBoxTheProgramGoesOnAndDisabledIgnoresClicks) {
    auto& app = ui::Application::Instance();
    std::string text, caption;
    app.MessageBoxHook = [&](const std::string& t, const std::string& c, UINT flags) {
        text = t;
        caption = c;
        EXPECT_EQ(flags & MB_ICONERROR, UINT(MB_ICONERROR));
        return IDOK;
    };
    ui::Button button;
    button.Create(panelA, {0, 0, 80, 22}, "Go");
    int clicks = 0;
    button.OnClick = [&] {
        if (++clicks == 1) throw std::runtime_error("Connection Failed");
    };
    Click(button);
    EXPECT_EQ(text, "Connection Failed");
    EXPECT_EQ(caption, "Installation");
    Click(button);
    EXPECT_EQ(clicks, 2);
    // A disabled button ignores clicks, the user's and the program's.
    button.SetEnabled(false);
    Click(button);
    button.Click();
    EXPECT_EQ(clicks, 2);
}

// Enter and Escape press the default and the cancel button when enabled; Alt and its access key
// click a flat button, which leaves the focus where it was.
TEST_F(Controls, EnterEscapeAndAccessKeysPressTheirEnabledButtons) {
    ui::Edit edit;
    ui::Button next;
    ui::FlatButton cancel;
    edit.Create(panelA, {0, 0, 100, 21});
    next.Create(panelB, {0, 0, 93, 22}, "&Next", {.isDefault = true});
    cancel.Create(panelB, {100, 0, 93, 22}, "&Cancel");
    form.SetDefaultButton(&next);
    int clicks = 0, cancels = 0, closes = 0;
    next.OnClick = [&] { ++clicks; };
    cancel.OnClick = [&] { ++cancels; };
    form.OnClose = [&] { ++closes; };
    form.Show();
    SetFocus(edit.Handle());
    auto post = [&](UINT msg, WPARAM key, LPARAM flags) {
        PostMessageW(edit.Handle(), msg, key, flags);
        ui::Application::Instance().ProcessMessages();
    };
    auto press = [&](WPARAM key) {
        post(WM_KEYDOWN, key, 0);
        post(WM_KEYUP, key, 0xC0000000);
    };
    press(VK_RETURN);
    EXPECT_EQ(clicks, 1);
    next.SetEnabled(false);
    press(VK_RETURN);
    EXPECT_EQ(clicks, 1);
    press(VK_ESCAPE);  // no cancel button yet
    EXPECT_EQ(cancels, 0);
    form.SetCancelButton(&cancel);
    press(VK_ESCAPE);
    EXPECT_EQ(cancels, 1);
    post(WM_SYSCHAR, 'c', 1 << 29);  // Alt+C
    EXPECT_EQ(cancels, 2);
    EXPECT_EQ(GetFocus(), edit.Handle());
    cancel.SetEnabled(false);
    press(VK_ESCAPE);
    EXPECT_EQ(cancels, 2);
    EXPECT_EQ(closes, 0);
    EXPECT_FALSE(form.Closed());
}

TEST_F(Controls, TreeViewHandsNotificationsToTheAttachedObjectThenRaisesOnChange) {
    ui::TreeView tree;
    tree.Create(panelA, {0, 0, 200, 90}, {.styles = TVS_HASBUTTONS | TVS_HASLINES, .indent = 19});
    EXPECT_EQ(SendMessageW(tree.Handle(), TVM_GETINDENT, 0, 0), ui::Scale(19));
    int notified = 0, changes = 0;
    tree.OnNotify = [&](const NMHDR& header, LRESULT&) {
        if (header.code == TVN_SELCHANGEDW) ++notified;
        return false;
    };
    tree.OnChange = [&] { ++changes; };
    EXPECT_EQ(tree.Path(), "");
    tree.PathProvider = [] { return std::string("C:\\Program Files"); };

    TVINSERTSTRUCTA item{};
    item.hParent = TVI_ROOT;
    item.hInsertAfter = TVI_LAST;
    item.item.mask = TVIF_TEXT;
    item.item.pszText = const_cast<char*>("Program Files");
    HTREEITEM root = TreeView_InsertItem(tree.Handle(), &item);
    ASSERT_NE(root, nullptr);
    TreeView_SelectItem(tree.Handle(), root);
    EXPECT_EQ(notified, 1);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(tree.Path(), "C:\\Program Files");
}

TEST_F(Controls, FormHasAFixedFrameTheClientSizeOpensCentredAndTheTaskbarShowsTheTitle) {
    const LONG_PTR style = GetWindowLongPtrW(form.Handle(), GWL_STYLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX), 0);
    EXPECT_NE(style & WS_SYSMENU, 0);
    RECT client;
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, ui::Scale(300));
    EXPECT_EQ(client.bottom, ui::Scale(200));
    form.Show();
    RECT frame;
    GetWindowRect(form.Handle(), &frame);
    EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
    EXPECT_EQ(TaskbarEntries(), std::vector<std::wstring>{L"Installation"});
    wchar_t caption[64] = {};
    GetWindowTextW(form.Handle(), caption, 64);
    EXPECT_STREQ(caption, L"Test form");  // the form keeps its own caption
}

TEST_F(Controls, CloseBoxRunsOnCloseOnceAndAnErrorInItStillCloses) {
    std::string error;
    ui::Application::Instance().ErrorHook = [&](const std::string& m) { error = m; };
    int closes = 0;
    form.OnClose = [&] {
        ++closes;
        throw std::runtime_error("Cannot write Quorvane_b.ini");
    };
    SendMessageW(form.Handle(), WM_CLOSE, 0, 0);
    SendMessageW(form.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(error, "Cannot write Quorvane_b.ini");
    EXPECT_TRUE(form.Closed());
}

// Last: ending the loop cannot be undone in this process.
TEST_F(Controls, ZClosingTheMainFormEndsRun) {
    form.SetMainForm(true);
    form.Show();
    PostMessageW(form.Handle(), WM_CLOSE, 0, 0);
    ui::Application::Instance().Run();
    EXPECT_TRUE(form.Closed());
    EXPECT_TRUE(ui::Application::Instance().Terminated());
}

}  // namespace
