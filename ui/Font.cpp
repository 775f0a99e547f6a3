#include "ui/Font.h"

#include "ui/Window.h"

namespace ui {

void Font::Create(const FontSpec& spec) {
    Release();
    LOGFONTW lf{};
    // A negative height asks for the character height, not the cell height.
    lf.lfHeight = -Scale(spec.height);
    lf.lfWeight = spec.bold ? FW_BOLD : FW_NORMAL;
    lf.lfUnderline = spec.underline ? TRUE : FALSE;
    lf.lfCharSet = spec.charset;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(lf.lfFaceName, spec.face.c_str(), LF_FACESIZE);
    font_ = CreateFontIndirectW(&lf);
}

void Font::Release() {
    if (font_) DeleteObject(font_);
    font_ = nullptr;
}

}  // namespace ui
