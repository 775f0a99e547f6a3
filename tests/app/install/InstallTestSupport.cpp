#include "InstallTestSupport.h"

#include "ui/Application.h"
#include "encoding/TextEncoding.h"

#include <objbase.h>

#include <stdexcept>

namespace installtest {

Session::Session(const std::string& language, int answerWith) : answer(answerWith) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    table.SetLanguage(language);
    Translator = &table;
    ui::Application::Instance().MessageBoxHook = [this](const std::string& text, const std::string& caption,
                                                        UINT flags) {
        boxes.push_back({text, caption, flags});
        return answer;
    };
}

Session::~Session() {
    ui::Application::Instance().MessageBoxHook = nullptr;
    Translator = nullptr;
    CoUninitialize();
}

namespace {

std::string ReadRegValue(HKEY root, const std::string& key, const std::string& value,
                         std::string (*narrow)(std::wstring_view)) {
    wchar_t data[1024] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    LONG status = RegGetValueW(root, encoding::Widen(key).c_str(), encoding::Widen(value).c_str(), RRF_RT_ANY, &type,
                               data, &size);
    if (status != ERROR_SUCCESS) return "<missing>";
    if (type != REG_SZ) return "<type " + std::to_string(type) + ">";
    return narrow(data);
}

}  // namespace

std::string ReadRegString(HKEY root, const std::string& key, const std::string& value) {
    return ReadRegValue(root, key, value, &encoding::Narrow);
}

std::string ReadRegPath(HKEY root, const std::string& key, const std::string& value) {
    return ReadRegValue(root, key, value, &encoding::NarrowPath);
}

std::wstring TreeItemText(HWND tree, HTREEITEM item) {
    wchar_t text[MAX_PATH] = {};
    TVITEMW tvi{};
    tvi.mask = TVIF_TEXT | TVIF_HANDLE;
    tvi.hItem = item;
    tvi.pszText = text;
    tvi.cchTextMax = MAX_PATH;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tvi));
    return text;
}

std::string ProductFileBytes(const std::string& name) {
    const std::string bytes = ReadWholeFile(std::string(QUORVANE_PRODUCT_FILES) + "/" + name);
    if (bytes == "<missing>") throw std::runtime_error("no product file " + name + " in " QUORVANE_PRODUCT_FILES);
    return bytes;
}

std::string SettingsFilePath() {
    wchar_t windows[MAX_PATH + 1] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    return encoding::NarrowPath(windows) + "\\Quorvane_b.ini";
}

std::string ProgramDir() {
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::string result = encoding::NarrowPath(path);
    return result.substr(0, result.find_last_of('\\') + 1);
}

}  // namespace installtest
