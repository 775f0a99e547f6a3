#pragma once
// Base of every window we wrap: owns its HWND, finds its wrapper again from the handle, and lets a
// parent hand a child's notifications (WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR*, WM_SETCURSOR) back to
// the child's own wrapper, so that a button handles its own click.
#include <windows.h>

#include <map>
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

// Layout units to device pixels at a DPI; without one, at the system DPI (where a form opens).
int SystemDpi();
int Scale(int units, int dpi = SystemDpi());
RECT ScaleBounds(const Bounds& b, int dpi = SystemDpi());

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
    // The same for a path (UTF-8, see encoding/TextEncoding.h): every character the user typed survives.
    void SetPathText(const std::string& path);
    std::string PathText() const;
    void SetFont(HFONT font);
    HFONT Font() const { return font_; }

    // The parent calls this with a notification that this window sent it; true when handled.
    virtual bool Reflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    // The DPI this window is laid out for: its form's, which follows the monitor it is on.
    virtual int Dpi() const;
    int Scaled(int units) const { return Scale(units, Dpi()); }
    RECT ScaledBounds(const Bounds& b) const { return ScaleBounds(b, Dpi()); }

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
    int Dpi() const override;

    // After the form's DPI changed: the control takes its laid-out place at the new DPI and the
    // font that replaced its old one (`fonts`: old handle to new), then whatever else of it
    // depends on the DPI.
    void ApplyDpi(const std::map<HFONT, HFONT>& fonts);
    // Names the control for screen readers where neither its text nor the label before it does
    // (ui/Accessible.cpp). CP1252 like every caption; an access key's '&' and outer spaces go.
    void SetAccessibleName(const std::string& name);

protected:
    // Create in two halves, for a control whose window is made later: its place (parent,
    // bounds, control id) now, so that it keeps its rank, then the window.
    void Place(Window& parent, const Bounds& bounds);
    void MakeWindow(const wchar_t* windowClass, DWORD style, DWORD exStyle, const std::string& text = {});
    // What else of the control depends on the DPI (a label's fit, a picture's size).
    virtual void Rescaled() {}
    // Answers screen readers with accessibleName_ (ui/Accessible.cpp).
    void AnswerWithName();
    static LRESULT CALLBACK NameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self);

    Window* parent_ = nullptr;
    HWND placedAfter_ = nullptr;  // the sibling made just before Place, whose follower it stays
    std::wstring accessibleName_;
    Bounds bounds_;
    int id_ = 0;
};

}  // namespace ui
