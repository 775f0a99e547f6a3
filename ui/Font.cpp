#include "ui/Font.h"

#include "ui/Window.h"

namespace ui {

void Font::Create(const FontStyle& style) {
    Release();
    LOGFONTW lf{};
    // A negative height asks for the character height, not the cell height.
    lf.lfHeight = -Scale(style.height);
    lf.lfWeight = style.bold ? FW_BOLD : FW_NORMAL;
    lf.lfUnderline = style.underline ? TRUE : FALSE;
    lf.lfCharSet = style.charset;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(lf.lfFaceName, style.face.c_str(), LF_FACESIZE);
    font_ = CreateFontIndirectW(&lf);
}

void Font::Release() {
    if (font_) DeleteObject(font_);
    font_ = nullptr;
}

}  // namespace ui
