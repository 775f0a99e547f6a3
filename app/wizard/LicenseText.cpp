#include "app/wizard/LicenseText.h"

#include <windows.h>

long RichEditPosition(std::string_view text, long position) {
    long breaks = 0;
    // A CR LF pair counts once its LF lies before the position.
    for (size_t i = 0; i + 1 < text.size() && static_cast<long>(i) + 1 < position; ++i) {
        if (text[i] == '\r' && text[i + 1] == '\n') ++breaks;
    }
    return position - breaks;
}

RichRange ToRichEditRange(std::string_view text, LicenseRun run) {
    const long start = RichEditPosition(text, run.start);
    const long end = RichEditPosition(text, run.start + run.length);
    return {start, end - start};
}

std::string LoadTextResource(int id) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    const DWORD size = SizeofResource(module, found);
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!bytes) return {};
    std::string text(bytes, size);
    // Resource compilers may pad the data with zero bytes.
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}
