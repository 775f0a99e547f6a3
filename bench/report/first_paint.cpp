// Time from the start of Install.exe to its first painted window. The installer is started with
// CreateProcess and watched from outside, polling every millisecond:
//   visible  its top-level window exists and is visible;
//   painted  that window is visible and has no pending update region (GetUpdateRect gives
//            FALSE): showing a window invalidates it, so an empty region after the show means
//            its WM_PAINT has been handled;
//   idle     WaitForInputIdle returned: the installer's thread waits for input with an empty
//            queue, so every paint of its child controls is done too.
// Then the window is closed (WM_CLOSE) and the next run starts. Prints one line per run and the
// median:  run <n> visible <ms> painted <ms> idle <ms>
// With a BASELINE program (the bench's minimal window program) its starts alternate with the
// installer's, so that both meet the same load, and its medians and the ratio follow:
//   baseline median visible <ms> painted <ms> idle <ms>
//   ratio painted <installer / baseline>
//   first_paint INSTALL.EXE [RUNS [BASELINE.EXE]]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double Now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search->pid && IsWindowVisible(window) && !GetWindow(window, GW_OWNER)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND VisibleWindowOf(DWORD pid) {
    Search search{pid, nullptr};
    EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct Timing {
    double visible = -1, painted = -1, idle = -1;
};

// One start of the installer; false when it showed no window within 30 s.
bool RunOnce(const std::string& program, Timing& timing) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string command = "\"" + program + "\"";
    const double start = Now();
    if (!CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    HWND window = nullptr;
    while (Now() - start < 30000 && (timing.visible < 0 || timing.painted < 0)) {
        if (!window) window = VisibleWindowOf(process.dwProcessId);
        if (window && timing.visible < 0) timing.visible = Now() - start;
        if (window && timing.painted < 0 && !GetUpdateRect(window, nullptr, FALSE)) timing.painted = Now() - start;
        if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;
    }
    if (WaitForInputIdle(process.hProcess, 30000) == 0) timing.idle = Now() - start;
    if (window) PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return window != nullptr;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: first_paint INSTALL.EXE [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const char* baseline = argc > 3 ? argv[3] : nullptr;
    std::vector<double> visible, painted, idle, baseVisible, basePainted, baseIdle;
    for (int run = 1; run <= runs; ++run) {
        Timing t;
        if (!RunOnce(argv[1], t)) {
            std::printf("run %d: no window\n", run);
            return 1;
        }
        std::printf("run %d visible %.1f painted %.1f idle %.1f\n", run, t.visible, t.painted, t.idle);
        visible.push_back(t.visible);
        painted.push_back(t.painted);
        idle.push_back(t.idle);
        if (!baseline) continue;
        Timing b;
        if (!RunOnce(baseline, b)) {
            std::printf("baseline run %d: no window\n", run);
            return 1;
        }
        baseVisible.push_back(b.visible);
        basePainted.push_back(b.painted);
        baseIdle.push_back(b.idle);
    }
    std::printf("median visible %.1f painted %.1f idle %.1f\n", Median(visible), Median(painted), Median(idle));
    if (baseline) {
        std::printf("baseline median visible %.1f painted %.1f idle %.1f\n", Median(baseVisible), Median(basePainted),
                    Median(baseIdle));
        std::printf("ratio painted %.2f\n", Median(painted) / Median(basePainted));
    }
    return 0;
}
