// The updater's figures, measured from a stand-in suite host:
//
//   update_bench start <folder> <runs>
//       time from starting <folder>\Update.exe to its dialog being visible;
//   update_bench download <folder> <url>
//       the updater's memory while it downloads the package at <url> (the
//       upgrade button pressed as soon as the dialog shows).
#include "suite/update_offer.h"
#include "update_resource.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double Seconds() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

HWND VisibleDialog() {
    HWND dlg = FindWindowA(nullptr, "Wexbury升级");
    return dlg && IsWindowVisible(dlg) ? dlg : nullptr;
}

HWND WaitForDialog(HANDLE process) {
    for (;;) {
        if (HWND dlg = VisibleDialog())
            return dlg;
        if (WaitForSingleObject(process, 1) == WAIT_OBJECT_0)
            return nullptr;
    }
}

std::string TempPackage() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "wxb_update_bench\\package.bin";
}

int Start(HWND host, const std::string& folder, int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        SuiteUpdateOffer offer;
        const double start = Seconds();
        if (!offer.Start(host, folder, "http://127.0.0.1:9/none", TempPackage(), false, "bench"))
            return 1;
        HWND dlg = WaitForDialog(offer.Updater());
        if (!dlg)
            return 1;
        times.push_back((Seconds() - start) * 1000);
        PostMessageA(dlg, WM_CLOSE, 0, 0);
        WaitForSingleObject(offer.Updater(), 10000);
    }
    std::sort(times.begin(), times.end());
    std::printf("start to visible dialog: median %.0f ms, best %.0f ms, worst %.0f ms (%d runs)\n",
                times[times.size() / 2], times.front(), times.back(), runs);
    return 0;
}

int Download(HWND host, const std::string& folder, const std::string& url) {
    const std::string package = TempPackage();
    DeleteFileA((package + ".down").c_str());
    SuiteUpdateOffer offer;
    if (!offer.Start(host, folder, url, package, false, "bench"))
        return 1;
    HWND dlg = WaitForDialog(offer.Updater());
    if (!dlg)
        return 1;
    PROCESS_MEMORY_COUNTERS before{};
    GetProcessMemoryInfo(offer.Updater(), &before, sizeof before);
    const double start = Seconds();
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_UPGRADE, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_UPGRADE)));
    SIZE_T peakWorkingSet = before.WorkingSetSize;
    SIZE_T peakPrivate = before.PagefileUsage;
    while (WaitForSingleObject(offer.Updater(), 50) == WAIT_TIMEOUT) {
        PROCESS_MEMORY_COUNTERS now{};
        if (GetProcessMemoryInfo(offer.Updater(), &now, sizeof now)) {
            peakWorkingSet = std::max(peakWorkingSet, now.WorkingSetSize);
            peakPrivate = std::max(peakPrivate, now.PagefileUsage);
        }
    }
    const double elapsed = Seconds() - start;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(package.c_str(), GetFileExInfoStandard, &data);
    const double mib =
        (static_cast<double>(data.nFileSizeHigh) * 4294967296.0 + data.nFileSizeLow) / 1048576.0;
    DeleteFileA(package.c_str());
    std::printf(
        "download of %.0f MiB: %.1f s (%.1f MiB/s, with the dialog's progress); memory before %.1f MiB "
        "working set / %.1f MiB private, highest while downloading %.1f MiB / %.1f MiB\n",
        mib, elapsed, mib / elapsed, before.WorkingSetSize / 1048576.0, before.PagefileUsage / 1048576.0,
        peakWorkingSet / 1048576.0, peakPrivate / 1048576.0);
    return mib > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4)
        return 2;
    const std::string mode = argv[1];
    std::string folder = argv[2];
    if (folder.back() != '\\')
        folder += '\\';
    HWND host =
        CreateWindowExA(0, "STATIC", "bench host", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (mode == "start")
        return Start(host, folder, std::atoi(argv[3]));
    if (mode == "download")
        return Download(host, folder, argv[3]);
    return 2;
}
