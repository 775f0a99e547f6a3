#pragma once
// The wizard form's layout as lines of text: the client size, then each window of the form in
// creation order with its place in the form's client area, its font's height and, for a
// picture, its image's size. Two forms laid out for the same DPI give the same lines.
#include "app/wizard/WizardForm.h"

#include <string>
#include <vector>

inline std::vector<std::string> LayoutOf(const TfInstall& form) {
    RECT client;
    GetClientRect(form.Handle(), &client);
    std::vector<std::string> lines{"dpi " + std::to_string(form.Dpi()) + ", client " + std::to_string(client.right) +
                                   "x" + std::to_string(client.bottom)};
    std::vector<HWND> windows;
    EnumChildWindows(
        form.Handle(),
        [](HWND child, LPARAM list) {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    for (HWND w : windows) {
        char kind[32] = {};
        GetClassNameA(w, kind, sizeof kind);
        RECT r;
        GetWindowRect(w, &r);
        MapWindowPoints(nullptr, form.Handle(), reinterpret_cast<POINT*>(&r), 2);
        LOGFONTW font{};
        if (HGDIOBJ f = reinterpret_cast<HGDIOBJ>(SendMessageW(w, WM_GETFONT, 0, 0))) GetObjectW(f, sizeof font, &font);
        std::string line = std::string(kind) + " " + std::to_string(r.left) + "," + std::to_string(r.top) + " " +
                           std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) + " font " +
                           std::to_string(font.lfHeight);
        BITMAP image{};
        if (HGDIOBJ b = reinterpret_cast<HGDIOBJ>(SendMessageW(w, STM_GETIMAGE, IMAGE_BITMAP, 0));
            b && GetObjectW(b, sizeof image, &image))
            line += " image " + std::to_string(image.bmWidth) + "x" + std::to_string(image.bmHeight);
        lines.push_back(line);
    }
    return lines;
}
