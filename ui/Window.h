#pragma once
// Base of every window we wrap: owns its HWND, finds its wrapper again from the handle, and lets a
// parent hand a child's notifications (WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR*, WM_SETCURSOR) back to
// the child's own wrapper, so that a button handles its own click.
#include <windows.h>

#include <string>

namespace ui {

// A rectangle in 96-DPI layout units.
struct Bounds {
    int left = 0, top = 0, width = 0, height = 0;
};

// Whether a page, band or pane shows from the start, named at the call:
// `PnlStep2.Create(form, page, {.visible = false})`.
struct PaneStyle {
    bool visible = true;
};

// Layout units to device pixels at the system DPI.
int Scale(int units);
RECT ScaleBounds(const Bounds& b);

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND Handle() const { return hwnd_; }
    static Window* FromHandle(HWND hwnd);

    // Visible reads the window's own flag, not whether its parents show (so a hidden form's
    // panels still tell which page is current). A control whose window is made on first use
    // keeps the flag until then.
    void SetVisible(bool visible);
    bool Visible() const;
    void SetEnabled(bool enabled);
    bool Enabled() const;
    virtual void SetText(const std::string& text);
    std::string Text() const;
    // The same for a path (UTF-8, see ui/Text.h): every character the user typed survives.
    void SetPathText(const std::string& path);
    std::string PathText() const;
    void SetFont(HFONT font);
    HFONT Font() const { return font_; }

    // The parent calls this with a notification that this window sent it; true when handled.
    virtual bool Reflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

protected:
    void SetWideText(const std::wstring& text);
    std::wstring WideText() const;
    void Attach(HWND hwnd);
    // Destroys the window now (wrappers of destroyed parents must not destroy twice).
    void Destroy();

    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    bool visibleOnceMade_ = false;
};

// Finds the child that a notification came from and gives it to the child's wrapper.
bool RouteToChild(HWND parent, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

// A child control: a standard window class created on a parent with the parent's font.
class Control : public Window {
public:
    void Create(Window& parent, const wchar_t* windowClass, DWORD style, DWORD exStyle, const Bounds& bounds,
                const std::string& text = {});
    int Id() const { return id_; }
    Bounds LayoutBounds() const { return bounds_; }
    void SetBounds(const Bounds& bounds);

protected:
    // Create in two halves, for a control whose window is made later: its place (parent,
    // bounds, control id) now, so that it keeps its rank, then the window.
    void Place(Window& parent, const Bounds& bounds);
    void MakeWindow(const wchar_t* windowClass, DWORD style, DWORD exStyle, const std::string& text = {});

    Window* parent_ = nullptr;
    Bounds bounds_;
    int id_ = 0;
};

}  // namespace ui
