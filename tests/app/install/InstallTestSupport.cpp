#include "InstallTestSupport.h"

#include "ui/Application.h"
#include "ui/Text.h"

#include <objbase.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
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

ScratchDir::ScratchDir(const std::string& name) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, temp);
    path_ = ui::NarrowPath(temp) + name + "-" + std::to_string(GetCurrentProcessId()) + "\\";
    RemoveTree(path_);
    CreateDirectoryW(ui::WidenPath(path_).c_str(), nullptr);
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

void RemoveTree(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(ui::WidenPath(path)), ignored);
}

bool IsDirectory(const std::string& path) {
    DWORD a = GetFileAttributesW(ui::WidenPath(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const std::string& path) { return GetFileAttributesW(ui::WidenPath(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(std::filesystem::path(ui::WidenPath(path)), std::ios::binary);
    if (!in) return "<missing>";
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(std::filesystem::path(ui::WidenPath(path)), std::ios::binary | std::ios::trunc);
    out << bytes;
}

namespace {

std::string ReadRegValue(HKEY root, const std::string& key, const std::string& value,
                         std::string (*narrow)(std::wstring_view)) {
    wchar_t data[1024] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    LONG status = RegGetValueW(root, ui::Widen(key).c_str(), ui::Widen(value).c_str(), RRF_RT_ANY, &type, data, &size);
    if (status != ERROR_SUCCESS) return "<missing>";
    if (type != REG_SZ) return "<type " + std::to_string(type) + ">";
    return narrow(data);
}

}  // namespace

std::string ReadRegString(HKEY root, const std::string& key, const std::string& value) {
    return ReadRegValue(root, key, value, &ui::Narrow);
}

std::string ReadRegPath(HKEY root, const std::string& key, const std::string& value) {
    return ReadRegValue(root, key, value, &ui::NarrowPath);
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
    const std::string bytes = ReadFileBytes(std::string(QUORVANE_PRODUCT_FILES) + "/" + name);
    if (bytes == "<missing>") throw std::runtime_error("no product file " + name + " in " QUORVANE_PRODUCT_FILES);
    return bytes;
}

std::string ProgramDir() {
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::string result = ui::NarrowPath(path);
    return result.substr(0, result.find_last_of('\\') + 1);
}

}  // namespace installtest
