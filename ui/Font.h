#pragma once
// A GDI font made from a face name and a character height in 96-DPI pixels, scaled to a DPI.
#include <windows.h>

#include <string>

namespace ui {

int SystemDpi();

struct FontStyle {
    std::wstring face = L"MS Sans Serif";
    int height = 11;  // character height in pixels at 96 DPI
    bool bold = false;
    bool underline = false;
    BYTE charset = DEFAULT_CHARSET;
};

class Font {
public:
    Font() = default;
    explicit Font(const FontStyle& style) { Create(style); }
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    ~Font() { Release(); }

    void Create(const FontStyle& style, int dpi = SystemDpi());
    // The same style at another DPI. Returns the old handle, which the caller deletes once no
    // control uses it any more (a freed handle's number may come back as the new one's).
    HFONT Rescale(int dpi);
    HFONT Handle() const { return font_; }
    operator HFONT() const { return font_; }

private:
    void Release();
    static HFONT Make(const FontStyle& style, int dpi);
    FontStyle style_;
    HFONT font_ = nullptr;
};

}  // namespace ui
