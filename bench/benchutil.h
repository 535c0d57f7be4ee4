// Timing helpers for the benchmarks: the best of several runs, and the report
// line "NAME ratio=R target=T" followed by the absolute times for information.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace qm::bench {

inline double Seconds() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(freq.QuadPart);
}

// The fastest of `runs` timings of fn (setup runs before each, untimed).
inline double Best(int runs, const std::function<void()>& fn, const std::function<void()>& setup = {}) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        if (setup) setup();
        double t0 = Seconds();
        fn();
        best = std::min(best, Seconds() - t0);
    }
    return best;
}

inline void Report(const char* name, double measured, double baseline, double target) {
    std::printf("%s ratio=%.2f target=%.2f\n", name, measured / baseline, target);
    std::printf("  %s: %.1f ms, baseline %.1f ms\n", name, measured * 1000, baseline * 1000);
    std::fflush(stdout);
}

}  // namespace qm::bench
