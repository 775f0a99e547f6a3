#pragma once
// Static texts and pictures.
#include "ui/Window.h"

#include <functional>

namespace ui {

enum class Alignment { Left, Right };

struct LabelStyle {
    Alignment alignment = Alignment::Left;
    bool wordWrap = false;
    bool autoSize = false;             // fit the text; a right-aligned label keeps its right edge
    bool transparent = true;           // shows the parent's painting (a page header's band)
    int textColor = COLOR_WINDOWTEXT;  // a system colour (GetSysColor), so that a high contrast theme holds
    bool handCursor = false;           // a label used as a link
    // An '&' in the text marks an access key, which moves the focus to the control after the
    // label (the box it names); otherwise '&' shows as it is.
    bool accessKey = false;
    // Word-wrapped at its laid-out width, first line at its laid-out place: each further line the
    // text needs is added above, so a note at the foot of a page grows away from the edge. The
    // label draws the text itself, clear of its right edge (see Label.cpp).
    bool growUpward = false;
};

class Label : public Control {
public:
    void Create(Window& parent, const Bounds& bounds, const std::string& caption, const LabelStyle& style = {});
    void SetText(const std::string& text) override;
    void SetFont(HFONT font);
    bool Reflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    std::function<void()> OnClick;

private:
    void Rescaled() override { FitToText(); }
    void FitToText();
    void FitLinesUpward();
    RECT PlacedRect() const;
    void PaintWrapped(HDC dc);
    static LRESULT CALLBACK WrappedProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self);
    HGDIOBJ DrawingFont() const;
    void RepaintBeneath(const RECT& oldRect);

    LabelStyle style_;
    int inkMargin_ = 0;  // device pixels kept free at the right edge of a wrapped label
};

// A bitmap from the program's resources, scaled to the form's DPI like the rest of the layout;
// the control takes the scaled size. A missing resource leaves it empty.
class Picture : public Control {
public:
    ~Picture() override;
    void Create(Window& parent, const Bounds& bounds, int bitmapId);

private:
    void Rescaled() override { LoadScaled(); }
    void LoadScaled();
    int bitmapId_ = 0;
    HBITMAP bitmap_ = nullptr;
};

// A new bitmap of the given size with `source` stretched into it (smoothed); null on failure.
HBITMAP ScaledBitmap(HBITMAP source, int width, int height);

}  // namespace ui
