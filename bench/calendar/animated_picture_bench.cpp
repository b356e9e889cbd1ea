// The animated picture control with a large animation: how long loading
// takes and how much memory the decoded frames hold, and how much CPU the
// drawing thread uses while it plays (it should sleep between frames).
//
//   animated_picture_bench.exe <gif file> <seconds of play>
//
// The control sits in a visible window, so every frame is also painted.
#include "framework/handles.h"
#include "skin/animated_picture.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double Seconds(const FILETIME& time) {
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<double>(value.QuadPart) / 1e7;
}

double ProcessCpuSeconds() {
    FILETIME creation, exit, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
    return Seconds(kernel) + Seconds(user);
}

double Now() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Memory {
    double privateMiB;
    double workingSetMiB;
};

Memory MemoryNow() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    const double mib = 1024.0 * 1024.0;
    return {static_cast<double>(counters.PagefileUsage) / mib,
            static_cast<double>(counters.WorkingSetSize) / mib};
}

// Dispatches the window's messages (its paints) for `seconds`; returns the
// process CPU seconds used meanwhile.
double PumpFor(double seconds) {
    const double cpuBefore = ProcessCpuSeconds();
    const double end = Now() + seconds;
    for (double now = Now(); now < end; now = Now()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>((end - now) * 1000) + 1, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    return std::max(0.0, ProcessCpuSeconds() - cpuBefore);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: animated_picture_bench <gif file> <seconds of play>\n");
        return 2;
    }
    const double playSeconds = std::atof(argv[2]);
    OleInitScope ole;
    HWND hWindow = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 500, 200,
                                   nullptr, nullptr, nullptr, nullptr);
    HWND hControl = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, hWindow, nullptr,
                                    nullptr, nullptr);
    CAnimatedPicture picture;
    picture.SubclassWindow(hControl);

    const Memory before = MemoryNow();
    std::vector<double> loads;
    for (int i = 0; i < 5; ++i) {
        const double start = Now();
        if (!picture.LoadFromFile(argv[1])) {
            std::fprintf(stderr, "cannot load %s\n", argv[1]);
            return 1;
        }
        loads.push_back(Now() - start);
    }
    const Memory loaded = MemoryNow();
    std::sort(loads.begin(), loads.end());
    std::printf("picture %d x %d, %u frames\n", picture.Width(), picture.Height(),
                static_cast<unsigned>(picture.FrameCount()));
    std::printf("load: median %.0f ms (%.0f to %.0f ms over %u loads)\n", loads[loads.size() / 2] * 1000,
                loads.front() * 1000, loads.back() * 1000, static_cast<unsigned>(loads.size()));
    std::printf("private memory: %.1f MiB before, %.1f MiB loaded (+%.1f MiB); working set +%.1f MiB\n",
                before.privateMiB, loaded.privateMiB, loaded.privateMiB - before.privateMiB,
                loaded.workingSetMiB - before.workingSetMiB);

    if (playSeconds > 0) {
        const double idleCpu = PumpFor(2.0);
        picture.Draw();
        const double playCpu = PumpFor(playSeconds);
        picture.Stop();
        std::printf("idle window, 2 s: %.3f CPU s\n", idleCpu);
        std::printf("playing, %.0f s: %.3f CPU s (%.1f%% of one CPU), drawing thread and paints together\n",
                    playSeconds, playCpu, 100.0 * playCpu / playSeconds);
    }

    picture.Unload();
    std::printf("private memory after unload: %.1f MiB\n", MemoryNow().privateMiB);
    DestroyWindow(hWindow);
    return 0;
}
