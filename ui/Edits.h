#pragma once
// Edit box, read-only memo and the read-only RichEdit pane.
#include "ui/Window.h"

#include <functional>

namespace ui {

class Edit : public Control {
public:
    void Create(Window& parent, const Bounds& bounds);
    bool Reflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    // Every change of the text, typed or set by the program.
    std::function<void()> OnChange;
};

// Plain multi-line text, read only, white, vertical scroll bar only (long lines wrap).
class Memo : public Control {
public:
    void Create(Window& parent, const Bounds& bounds, const PaneStyle& style = {});
    bool Reflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};

// Read-only rich text whose selection can be made bold. Positions are RichEdit's own: a line
// break counts as one character.
class RichEdit : public Control {
public:
    void Create(Window& parent, const Bounds& bounds, const PaneStyle& style = {});
    // Takes the pane's place now and makes its window at EnsureCreated(): loading the RichEdit
    // library and making its first window are a good part of a start-up that does not show it.
    void CreateOnFirstUse(Window& parent, const Bounds& bounds, const PaneStyle& style = {});
    void EnsureCreated();
    void SetSelection(long start, long length);
    void SetSelectionBold();
    bool SelectionBold() const;
};

}  // namespace ui
