#pragma once
// The benchmarks' two clocks: wall-clock seconds, and this process's processor seconds (user +
// kernel, all its threads; Wine's own server process is not in them).
#include <windows.h>

namespace benchclock {

inline double Now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return double(counter.QuadPart) / double(frequency.QuadPart);
}

inline double ProcessorSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](FILETIME t) { return double((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7; };
    return seconds(kernel) + seconds(user);
}

}  // namespace benchclock
