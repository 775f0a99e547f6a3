#pragma once
// Progress bar and the folder tree's SysTreeView32.
#include "ui/Window.h"

#include <commctrl.h>

#include <functional>

namespace ui {

class ProgressBar : public Control {
public:
    void Create(Window& parent, const Bounds& bounds);
    // Unthemed, the bar draws in the system's highlight colour, which a high contrast theme
    // sets, on the button face; a theme's bar keeps the theme's own colours. Every other control
    // keeps the theme.
    void DrawUnthemed();
    void SetRange(int low, int high);
    void SetPosition(int position);
    int Position() const;
};

// The tree control alone. What fills it (the shell's folders) attaches through OnNotify, which
// sees every notification first and may consume it; OnChange follows a change of selection.
// The tree's own styles (TVS_*) and the indent of a level, in layout units.
struct TreeStyle {
    DWORD styles = 0;
    int indent = 19;
};

class TreeView : public Control {
public:
    void Create(Window& parent, const Bounds& bounds, const TreeStyle& style = {});
    bool Reflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    // The selected folder's file-system path (UTF-8), empty when nothing is selected.
    std::string Path() const { return PathProvider ? PathProvider() : std::string(); }

    std::function<bool(const NMHDR& header, LRESULT& result)> OnNotify;
    std::function<void()> OnChange;
    std::function<std::string()> PathProvider;

private:
    void Rescaled() override;
    int indent_ = 19;
};

}  // namespace ui
