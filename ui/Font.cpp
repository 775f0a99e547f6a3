#include "ui/Font.h"

#include "ui/Window.h"

namespace ui {

HFONT Font::Make(const FontStyle& style, int dpi) {
    LOGFONTW lf{};
    // A negative height asks for the character height, not the cell height.
    lf.lfHeight = -Scale(style.height, dpi);
    lf.lfWeight = style.bold ? FW_BOLD : FW_NORMAL;
    lf.lfUnderline = style.underline ? TRUE : FALSE;
    lf.lfCharSet = style.charset;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(lf.lfFaceName, style.face.c_str(), LF_FACESIZE);
    return CreateFontIndirectW(&lf);
}

void Font::Create(const FontStyle& style, int dpi) {
    Release();
    style_ = style;
    font_ = Make(style, dpi);
}

HFONT Font::Rescale(int dpi) {
    HFONT old = font_;
    font_ = Make(style_, dpi);
    return old;
}

void Font::Release() {
    if (font_) DeleteObject(font_);
    font_ = nullptr;
}

}  // namespace ui
