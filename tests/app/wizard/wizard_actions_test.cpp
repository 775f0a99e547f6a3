// Cancel and its question, the close box, the keyboard, errors in handlers and the licence pane.
#include "WizardFixture.h"

#include "app/wizard/LicenseText.h"
#include "encoding/TextEncoding.h"

#include <richedit.h>
#include <uxtheme.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {

TEST_F(WizardTest, CancelAnsweredNoChangesNothingOnAnyPage) {
    TfInstall& f = Start(kEnglish);
    answer = IDNO;
    for (int page = 1; page <= 3; ++page) {
        SCOPED_TRACE(page);
        const std::string buttons = Buttons(), next = f.BtnNext.Text();
        Click(f.BtnClose);
        EXPECT_EQ(Page(), page);
        EXPECT_EQ(Buttons(), buttons);
        EXPECT_EQ(f.BtnNext.Text(), next);
        EXPECT_FALSE(f.Closed());
        if (page == 1) Click(f.BtnNext);
        if (page == 2) {
            Click(f.rdoagree);
            Click(f.BtnNext);
        }
    }
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "Are you sure you want to cancel the installation of Quorvane?");
    EXPECT_EQ(boxes[0].caption, "Suspend?");
    EXPECT_EQ(boxes[0].flags, UINT(MB_YESNO | MB_ICONQUESTION));
}

TEST_F(WizardTest, CancelAnsweredYesClosesWithoutTheClosingWork) {
    TfInstall& f = Start(kFrench);
    answer = IDYES;
    ToDirectoryPage();
    Click(f.BtnClose);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "Êtes-vous certain de vouloir arrêter l'installation de Quorvane?");  // UTF-8, as boxes show
    EXPECT_EQ(boxes[0].caption, "Suspendre?");
    EXPECT_TRUE(f.Closed());
    EXPECT_EQ(f.Cancelled, 0);  // no download was running
}

TEST_F(WizardTest, CloseBoxClosesWithoutAQuestion) {
    TfInstall& f = Start();
    SendMessageW(f.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(f.Closed());
    EXPECT_TRUE(boxes.empty());
}

// A key pressed and let go on `target`, as the message loop hands it over.
void Press(HWND target, WPARAM key) {
    PostMessageW(target, WM_KEYDOWN, key, 0);
    PostMessageW(target, WM_KEYUP, key, 0xC0000000);
    ui::Application::Instance().ProcessMessages();
}

TEST_F(WizardTest, ArrowKeysNeverLeaveTheConsentButtons) {
    TfInstall& f = Start(kEnglish);
    f.Show();
    Click(f.BtnNext);
    SetFocus(f.rdoDeny.Handle());
    for (WPARAM key : {VK_DOWN, VK_RIGHT, VK_DOWN, VK_UP, VK_LEFT, VK_UP}) {
        Press(GetFocus(), key);
        const HWND focus = GetFocus();
        EXPECT_TRUE(focus == f.rdoagree.Handle() || focus == f.rdoDeny.Handle()) << "key " << key;
    }
    // The group as the dialog manager reads it within the page, in both directions.
    for (HWND from : {f.rdoagree.Handle(), f.rdoDeny.Handle()}) {
        for (BOOL previous : {FALSE, TRUE}) {
            const HWND next = GetNextDlgGroupItem(f.PnlStep2.Handle(), from, previous);
            EXPECT_TRUE(next == f.rdoagree.Handle() || next == f.rdoDeny.Handle()) << previous;
        }
    }
}

TEST_F(WizardTest, EnterActsAsNextWhenNextIsEnabled) {
    TfInstall& f = Start();
    f.Show();
    SetFocus(f.rdoFrench.Handle());
    Press(f.rdoFrench.Handle(), VK_RETURN);
    ASSERT_EQ(Page(), 2);
    EXPECT_TRUE(IsWindowVisible(GetFocus()));  // not left on the hidden page
    SetFocus(f.rdoDeny.Handle());              // selected already: focusing it selects nothing new
    Press(f.rdoDeny.Handle(), VK_RETURN);      // Next disabled
    EXPECT_EQ(Page(), 2);
    Click(f.rdoagree);
    Press(f.rdoagree.Handle(), VK_RETURN);
    ASSERT_EQ(Page(), 3);
    SetFocus(f.TxtDir.Handle());
    Press(f.TxtDir.Handle(), VK_ESCAPE);  // Cancel, whose question is answered No
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Suspendre?");
    boxes.clear();
    EXPECT_EQ(Page(), 3);
    EXPECT_FALSE(f.Closed());
    f.Cancelled = 1;  // no server here: the download returns at once
    Press(f.TxtDir.Handle(), VK_RETURN);
    ASSERT_EQ(Page(), 5);
    EXPECT_TRUE(IsWindowVisible(GetFocus()));
    EXPECT_TRUE(IsWindowEnabled(GetFocus()));
    SetFocus(f.chkStartNow.Handle());
    Press(f.chkStartNow.Handle(), VK_RETURN);
    EXPECT_TRUE(f.Closed());
    EXPECT_TRUE(f.chkStartNow.Checked());
}

TEST_F(WizardTest, TabFollowsTheLaidOutOrderOnPageThree) {
    TfInstall& f = Start();
    ToDirectoryPage();
    f.Show();
    SetFocus(f.TxtDir.Handle());
    // Back before Next, as they show from left to right.
    const HWND order[] = {f.Directory.Handle(), f.btnBack.Handle(), f.BtnNext.Handle(), f.TxtDir.Handle()};
    for (HWND expected : order) {
        Press(GetFocus(), VK_TAB);
        EXPECT_EQ(GetFocus(), expected);
    }
}

TEST_F(WizardTest, PageFiveLinksOpenTheSiteMaximisedAndTheMailNormally) {
    std::vector<ui::Application::ShellRequest> opened;
    ui::Application::Instance().ShellOpenHook = [&](const ui::Application::ShellRequest& r) { opened.push_back(r); };
    TfInstall& f = Start();
    ToLastPage();
    ASSERT_EQ(Page(), 5);
    const std::optional<std::wstring> none, empty = std::wstring();
    const struct {
        ui::Label& link;
        HWND owner;
        std::wstring target;
        std::optional<std::wstring> parameters, directory;
        int show;
    } links[] = {
        {f.Label13, f.Handle(), L"http://www.quorvane.com", empty, empty, SW_SHOWMAXIMIZED},
        {f.Label16, GetDesktopWindow(), L"mailto:support@quorvane.com", none, none, SW_SHOWNORMAL},
    };
    for (const auto& link : links) {
        SCOPED_TRACE(link.link.Text());
        opened.clear();
        SendMessageW(link.link.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        SendMessageW(link.link.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_EQ(opened[0].owner, link.owner);
        EXPECT_EQ(opened[0].verb, none);  // the default verb
        EXPECT_EQ(opened[0].file, link.target);
        EXPECT_EQ(opened[0].parameters, link.parameters);
        EXPECT_EQ(opened[0].directory, link.directory);
        EXPECT_EQ(opened[0].show, link.show);
    }
}

TEST_F(WizardTest, AnExceptionInAHandlerShowsTheErrorBoxAndTheWizardGoesOn) {
    TfInstall& f = Start();
    answer = IDOK;
    f.rdoagree.OnClick = [] { throw std::runtime_error("Socket send aborted"); };
    Click(f.BtnNext);
    Click(f.rdoagree);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Socket send aborted");
    EXPECT_EQ(boxes[0].caption, "Installation");
    EXPECT_EQ(boxes[0].flags & MB_ICONERROR, UINT(MB_ICONERROR));
    // The rest of that handler was skipped; the form still answers.
    EXPECT_EQ(Buttons(), "B-C");
    Click(f.btnBack);
    EXPECT_EQ(Page(), 1);
}

// Exactly one licence pane shows, its text with its bold runs over their phrases and nothing
// after, and the selection left collapsed at the start.
TEST_F(WizardTest, TheLicencePaneShowsItsTextWithItsBoldRuns) {
    TfInstall& f = Start(kEnglish);
    Click(f.BtnNext);  // the licence is formatted when its page first shows
    EXPECT_TRUE(f.memLicenseRaRozoEn.Visible());
    EXPECT_EQ(f.memLicenseRaRozoFr.Visible() + f.memLicenceEn.Visible() + f.memLicenseProFr.Visible() +
                  f.memLicenseEntreFr.Visible(),
              0);
    EXPECT_EQ(f.memLicenseRaRozoEn.Text().rfind("QUORVANE BASIC EDITION", 0), 0u);
    EXPECT_FALSE(f.memLicenseRaRozoFr.Text().empty());
    EXPECT_FALSE(f.memLicenceEn.Text().empty());
    CHARRANGE range{};
    SendMessageW(f.memLicenseRaRozoEn.Handle(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.cpMin, 0);
    EXPECT_EQ(range.cpMax, 0);

    const std::string stored = LoadTextResource(202);
    ASSERT_GT(stored.size(), 2200u);
    struct Probe {
        long position;  // in the stored text, CR LF counting two
        bool bold;
    } probes[] = {{0, true},     {113, true},  {114 + 2, false}, {1259, true},  {1278, true},
                  {1280, false}, {2162, true}, {2199, true},     {2201, false}, {500, false}};
    for (const Probe& p : probes) {
        SCOPED_TRACE(p.position);
        f.memLicenseRaRozoEn.SetSelection(RichEditPosition(stored, p.position), 1);
        EXPECT_EQ(f.memLicenseRaRozoEn.SelectionBold(), p.bold);
    }
}

// Where a control sits in its parent.
RECT Placed(const ui::Window& control) {
    RECT r;
    GetWindowRect(control.Handle(), &r);
    MapWindowPoints(nullptr, GetParent(control.Handle()), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Pixels (0xRRGGBB) of what a control draws, on white: what the user would see of it.
std::vector<DWORD> Drawn(int width, int height, const std::function<void(HDC)>& draw) {
    BITMAPINFO info{};
    auto& header = info.bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = -height;  // top-down rows
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP canvas = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(dc, canvas);
    const RECT all{0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    draw(dc);
    GdiFlush();
    std::vector<DWORD> pixels(static_cast<const DWORD*>(bits), static_cast<const DWORD*>(bits) + width * height);
    for (DWORD& p : pixels) p &= 0xFFFFFF;
    SelectObject(dc, previous);
    DeleteObject(canvas);
    DeleteDC(dc);
    return pixels;
}

std::vector<DWORD> Drawn(const ui::Window& control) {
    RECT client;
    GetClientRect(control.Handle(), &client);
    return Drawn(client.right, client.bottom, [&](HDC dc) {
        SendMessageW(control.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    });
}

TEST_F(WizardTest, TheDownloadBarDrawsInTheSystemHighlightColourUnthemed) {
    TfInstall& f = Start();
    ui::Application::Instance().ProcessMessages();
    EXPECT_EQ(SendMessageW(f.ProgBarDL.Handle(), PBM_GETBARCOLOR, 0, 0), LRESULT(CLR_DEFAULT));
    EXPECT_EQ(GetWindowTheme(f.ProgBarDL.Handle()), nullptr);
    // The themes stay on for the other controls.
    EXPECT_EQ(GetWindowTheme(f.BtnNext.Handle()) != nullptr, IsThemeActive() != FALSE);
    f.ProgBarDL.SetPosition(100);
    RECT bar;
    GetClientRect(f.ProgBarDL.Handle(), &bar);
    // Blocks of the highlight colour across most of the bar, gaps and frame aside.
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    const DWORD pixel = (GetRValue(highlight) << 16) | (GetGValue(highlight) << 8) | GetBValue(highlight);
    const std::vector<DWORD> drawn = Drawn(f.ProgBarDL);
    EXPECT_GT(std::count(drawn.begin(), drawn.end(), pixel), bar.right * bar.bottom / 3);
}

TEST(LicenseText, PositionsSkipOneCharacterPerLineBreakBeforeThem) {
    const std::string text = "AB\r\nCD\r\n\r\nEF";
    EXPECT_EQ(RichEditPosition(text, 0), 0);
    EXPECT_EQ(RichEditPosition(text, 2), 2);            // at the CR
    EXPECT_EQ(RichEditPosition(text, 4), 3);            // C
    EXPECT_EQ(RichEditPosition(text, 10), 7);           // E, after three breaks
    const RichRange r = ToRichEditRange(text, {4, 6});  // "CD\r\n\r\n"
    EXPECT_EQ(r.start, 3);
    EXPECT_EQ(r.length, 4);
    EXPECT_EQ(RichEditPosition("", 5), 5);
}

TEST_F(WizardTest, LayoutPlacesTheBandAndPagesAtTheirUnits) {
    TfInstall& f = Start();
    RECT client;
    GetClientRect(f.Handle(), &client);
    EXPECT_EQ(client.right, ui::Scale(424));
    EXPECT_EQ(client.bottom, ui::Scale(367));
    RECT bottom = Placed(f.PnlBottom);
    EXPECT_EQ(bottom.top, ui::Scale(337));
    EXPECT_EQ(bottom.bottom - bottom.top, ui::Scale(32));
    RECT next = Placed(f.BtnNext);
    EXPECT_EQ(next.left, ui::Scale(200));
    EXPECT_EQ(next.right - next.left, ui::Scale(93));
    RECT bytes = Placed(f.LblBytes);
    EXPECT_EQ(bytes.right, ui::Scale(393));
    RECT logo = Placed(f.Image3);
    EXPECT_EQ(logo.right - logo.left, ui::Scale(49));  // the bitmap, scaled like the rest
    EXPECT_EQ(logo.bottom - logo.top, ui::Scale(57));
    EXPECT_EQ(GetParent(f.Image3.Handle()), f.PnlStep4.Handle());
    EXPECT_NE(GetWindowLongPtrW(f.BtnNext.Handle(), GWL_STYLE) & BS_DEFPUSHBUTTON, 0);
}

// The note under the bar keeps its laid-out line; a text that needs more lines grows upward,
// and none of it is cut off when drawn with the label's own font.
TEST_F(WizardTest, DownloadNoteSitsOnItsLineAndShowsItsWholeText) {
    for (LCID locale : {kFrench, kEnglish}) {
        SCOPED_TRACE(locale);
        TfInstall& f = Start(locale);
        const HWND note = f.Label12.Handle();
        const RECT placed = Placed(f.Label12);
        RECT client;
        GetClientRect(note, &client);
        HDC dc = GetDC(note);
        HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(note, WM_GETFONT, 0, 0)));
        const std::wstring text = encoding::Widen(f.Label12.Text());
        RECT needed{0, 0, client.right, 0};
        DrawTextW(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        SelectObject(dc, previous);
        ReleaseDC(note, dc);
        EXPECT_LE(needed.bottom, client.bottom);
        EXPECT_LE(needed.right, client.right);
        // Every pixel of every letter is drawn: as many dark pixels as the text has on one
        // unclipped line (only the breaks between words differ).
        auto dark = [](const std::vector<DWORD>& pixels) {
            return std::count_if(pixels.begin(), pixels.end(), [](DWORD p) { return p != 0xFFFFFF; });
        };
        const auto whole = Drawn(client.right * 2, tm.tmHeight, [&](HDC dc) {
            HGDIOBJ before = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(note, WM_GETFONT, 0, 0)));
            SetBkMode(dc, TRANSPARENT);
            TextOutW(dc, 0, 0, text.c_str(), static_cast<int>(text.size()));
            SelectObject(dc, before);
        });
        EXPECT_EQ(dark(Drawn(f.Label12)), dark(whole));
        EXPECT_EQ(placed.left, ui::Scale(9));
        EXPECT_EQ(placed.right - placed.left, ui::Scale(405));
        const int lineBottom = ui::Scale(312) + std::max<int>(ui::Scale(13), tm.tmHeight);
        EXPECT_EQ(placed.bottom, lineBottom);
        EXPECT_EQ(placed.top, lineBottom - std::max<int>(needed.bottom, lineBottom - ui::Scale(312)));
    }
}

}  // namespace
