#pragma once
// A page or band of the form: a container with a raised one-pixel border that paints its
// graphic items (filled shapes, bevels) itself and routes its children's notifications.
// It does not clip its children, so transparent labels show what it painted beneath them.
#include "ui/Window.h"

#include <vector>

namespace ui {

class Graphic;

class Panel : public Control {
public:
    void Create(Window& parent, const Bounds& bounds, const PaneStyle& style = {});
    void AddGraphic(const Graphic* item) { graphics_.push_back(item); }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    void PaintBackground(HDC dc);

    std::vector<const Graphic*> graphics_;
};

// Something the panel draws on its background, in the order the items were added.
class Graphic {
public:
    virtual ~Graphic() = default;
    // At the panel's DPI.
    virtual void Paint(HDC dc, int dpi) const = 0;
};

// A filled rectangle without outline, in a system colour (COLOR_WINDOW, ...), so that a high
// contrast theme holds.
class Shape : public Graphic {
public:
    void Create(Panel& parent, const Bounds& bounds, int fillColor);
    void Paint(HDC dc, int dpi) const override;

private:
    Bounds bounds_;
    int fillColor_ = COLOR_WINDOW;
};

// A lowered box; two pixels high it is the etched line under a page header.
class Bevel : public Graphic {
public:
    void Create(Panel& parent, const Bounds& bounds);
    void Paint(HDC dc, int dpi) const override;

private:
    Bounds bounds_;
};

}  // namespace ui
