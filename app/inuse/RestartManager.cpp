#include "app/inuse/RestartManager.h"

#include "encoding/TextEncoding.h"

#include <windows.h>
#include <restartmanager.h>

#include <memory>

namespace inuse {
namespace {

struct LibraryFreer {
    void operator()(HMODULE module) const noexcept { FreeLibrary(module); }
};
using Library = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryFreer>;

Library LoadSystemLibrary(const wchar_t* name) {
    wchar_t system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    return Library(LoadLibraryExW((std::wstring(system) + L"\\" + name).c_str(), nullptr, 0));
}

template <typename Function>
Function* Resolve(HMODULE module, const char* name) {
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

struct RestartManagerApi {
    decltype(RmStartSession)* start = nullptr;
    decltype(RmRegisterResources)* registerFiles = nullptr;
    decltype(RmGetList)* getList = nullptr;
    decltype(RmEndSession)* end = nullptr;
    bool Complete() const { return start && registerFiles && getList && end; }
};

// The processes the session's files are registered for; the list may grow between the call that
// sizes it and the call that fills it.
std::vector<RM_PROCESS_INFO> AffectedProcesses(const RestartManagerApi& rm, DWORD session) {
    std::vector<RM_PROCESS_INFO> infos;
    for (int attempt = 0; attempt < 4; ++attempt) {
        UINT needed = 0;
        UINT count = UINT(infos.size());
        DWORD reasons = 0;
        const DWORD status = rm.getList(session, &needed, &count, infos.empty() ? nullptr : infos.data(), &reasons);
        if (status == ERROR_SUCCESS) {
            infos.resize(std::min<std::size_t>(count, infos.size()));
            return infos;
        }
        if (status != ERROR_MORE_DATA) return {};
        infos.resize(needed + 4);
    }
    return {};
}

}  // namespace

std::vector<TProgram> ProgramsUsing(const std::vector<std::wstring>& paths) noexcept {
    try {
        if (paths.empty()) return {};
        const Library library = LoadSystemLibrary(L"rstrtmgr.dll");
        if (!library) return {};
        RestartManagerApi rm;
        rm.start = Resolve<decltype(RmStartSession)>(library.get(), "RmStartSession");
        rm.registerFiles = Resolve<decltype(RmRegisterResources)>(library.get(), "RmRegisterResources");
        rm.getList = Resolve<decltype(RmGetList)>(library.get(), "RmGetList");
        rm.end = Resolve<decltype(RmEndSession)>(library.get(), "RmEndSession");
        if (!rm.Complete()) return {};
        DWORD session = 0;
        WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
        if (rm.start(&session, 0, key) != ERROR_SUCCESS) return {};
        const auto ended = [&rm](const DWORD* s) { rm.end(*s); };
        const std::unique_ptr<const DWORD, decltype(ended)> sessionEnd(&session, ended);
        std::vector<LPCWSTR> names;
        for (const std::wstring& path : paths) names.push_back(path.c_str());
        if (rm.registerFiles(session, UINT(names.size()), names.data(), 0, nullptr, 0, nullptr) != ERROR_SUCCESS)
            return {};
        std::vector<TProgram> programs;
        for (const RM_PROCESS_INFO& info : AffectedProcesses(rm, session)) {
            if (info.Process.dwProcessId == GetCurrentProcessId()) continue;
            programs.push_back({encoding::NarrowPath(info.strAppName), info.Process.dwProcessId});
        }
        return programs;
    } catch (...) {
        // No memory for a name: the files are still found by the exclusive open, unnamed.
        return {};
    }
}

}  // namespace inuse
