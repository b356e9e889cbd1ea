// The updater's figures, measured from a stand-in suite host:
//
//   update_bench start <folder> <runs>
//       time from starting <folder>\Update.exe to its dialog being visible;
//   update_bench download <folder> <url> <rounds>
//       the package at <url>, downloaded in each round
//       (a) by <folder>\Update.exe through its dialog (the upgrade button
//           pressed as soon as the dialog shows), with its memory meanwhile,
//           and the time it then takes to fetch the signature (<url>.sig,
//           signed by tools/bench.sh) and check the package;
//       (b) by CHttpDownload in this program, its notifications sent to a
//           window on another thread that returns at once: the same
//           synchronous sends, at their cheapest;
//       (c) by CHttpDownload without notifications;
//       side by side, with the medians over the rounds.
#include "download/http_download.h"
#include "framework/handles.h"
#include "suite/update_offer.h"
#include "resources/update_resource.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr UINT kProgressMessage = WM_USER + 105;

double Seconds() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
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

std::string TempFile(const char* name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "wxb_update_bench\\" + name;
}

double FileMiB(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<double>(data.nFileSizeHigh) * 4294967296.0 + data.nFileSizeLow) / 1048576.0;
}

int Start(HWND host, const std::string& folder, int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        SuiteUpdateOffer offer;
        const double start = Seconds();
        if (!offer.Start(host, folder, "http://127.0.0.1:9/none", TempFile("package.bin"), false, "bench"))
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

// Change notifications for the names of the files in a folder.
class FolderWatch {
public:
    explicit FolderWatch(const std::string& folder)
        : m_handle(FindFirstChangeNotificationA(folder.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME)) {}
    ~FolderWatch() {
        if (m_handle != INVALID_HANDLE_VALUE)
            FindCloseChangeNotification(m_handle);
    }
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;
    HANDLE get() const { return m_handle != INVALID_HANDLE_VALUE ? m_handle : nullptr; }

private:
    HANDLE m_handle;
};

struct DialogRun {
    double startSeconds = 0; // from the upgrade command to the opened temporary file
    double seconds = 0;
    double mib = 0;
    double checkSeconds = 0; // from the package in place to its start, less the 500 ms wait
    PROCESS_MEMORY_COUNTERS before{};
    SIZE_T peakWorkingSet = 0;
    SIZE_T peakPrivate = 0;
};

// (a): from the moment the downloader opens its temporary file to the
// complete package in place, as (b) and (c) time Download itself. The
// package is no program, so the dialog then stays and is closed here.
bool DownloadThroughDialog(HWND host, const std::string& folder, const std::string& url, DialogRun& run) {
    const std::string package = TempFile("package.bin");
    const std::string part = package + ".down";
    DeleteFileA(part.c_str());
    SuiteUpdateOffer offer;
    if (!offer.Start(host, folder, url, package, false, "bench"))
        return false;
    HWND dlg = WaitForDialog(offer.Updater());
    if (!dlg)
        return false;
    GetProcessMemoryInfo(offer.Updater(), &run.before, sizeof run.before);
    run.peakWorkingSet = run.before.WorkingSetSize;
    run.peakPrivate = run.before.PagefileUsage;
    // Woken when a file appears in the package's folder (the temporary
    // file, then the package), not polling the shared CPU; the memory is
    // sampled in between.
    FolderWatch watch(TempFile(""));
    if (!watch.get())
        return false;
    const double command = Seconds();
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_UPGRADE, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_UPGRADE)));
    double start = 0;
    const HANDLE events[2] = {watch.get(), offer.Updater()};
    while (GetFileAttributesA(package.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (start == 0 && GetFileAttributesA(part.c_str()) != INVALID_FILE_ATTRIBUTES)
            start = Seconds();
        const DWORD woken = WaitForMultipleObjects(2, events, FALSE, 100);
        if (woken == WAIT_OBJECT_0 + 1)
            return false;
        if (woken == WAIT_OBJECT_0) {
            FindNextChangeNotification(watch.get());
            continue;
        }
        PROCESS_MEMORY_COUNTERS now{};
        if (GetProcessMemoryInfo(offer.Updater(), &now, sizeof now)) {
            run.peakWorkingSet = std::max(run.peakWorkingSet, now.WorkingSetSize);
            run.peakPrivate = std::max(run.peakPrivate, now.PagefileUsage);
        }
    }
    const double placed = Seconds();
    run.startSeconds = start - command;
    run.seconds = placed - start;
    run.mib = FileMiB(package);
    // The package is no program: once its signature is fetched and checked,
    // its start fails and "升级" is offered again. A refused package would
    // be gone.
    while (!IsWindowEnabled(GetDlgItem(dlg, IDC_UPGRADE))) {
        if (WaitForSingleObject(offer.Updater(), 20) == WAIT_OBJECT_0)
            return false;
    }
    run.checkSeconds = Seconds() - placed - 0.5;
    if (GetFileAttributesA(package.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    PostMessageA(dlg, WM_CLOSE, 0, 0);
    WaitForSingleObject(offer.Updater(), 10000);
    DeleteFileA(package.c_str());
    return start != 0 && run.mib > 0;
}

// A window on a thread of its own that returns from every message at once.
class ReceiverThread {
public:
    ReceiverThread() : m_ready(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        m_thread.reset(CreateThread(nullptr, 0, Run, this, 0, &m_threadId));
        WaitForSingleObject(m_ready.get(), INFINITE);
    }
    ~ReceiverThread() {
        PostThreadMessageA(m_threadId, WM_QUIT, 0, 0);
        WaitForSingleObject(m_thread.get(), INFINITE);
    }
    ReceiverThread(const ReceiverThread&) = delete;
    ReceiverThread& operator=(const ReceiverThread&) = delete;
    HWND Window() const { return m_hWnd; }

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == kProgressMessage)
            return 0;
        return DefWindowProcA(hWnd, message, wParam, lParam);
    }
    static DWORD WINAPI Run(LPVOID param) {
        auto* self = static_cast<ReceiverThread*>(param);
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = WindowProc;
        windowClass.lpszClassName = "WxbBenchReceiver";
        RegisterClassA(&windowClass);
        self->m_hWnd = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       nullptr, nullptr);
        SetEvent(self->m_ready.get());
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
        DestroyWindow(self->m_hWnd);
        return 0;
    }

    UniqueHandle m_ready;
    UniqueHandle m_thread;
    DWORD m_threadId = 0;
    HWND m_hWnd = nullptr;
};

// (b) with a receiver window, (c) without: the time of Download alone.
double DownloadHere(const std::string& url, HWND receiver) {
    const std::string target = TempFile("here.bin");
    DeleteFileA(target.c_str());
    DeleteFileA((target + ".down").c_str());
    CHttpDownload downloader;
    downloader.SetNotify(receiver, kProgressMessage, receiver != nullptr);
    const double start = Seconds();
    const int result = downloader.Download(url.c_str(), target.c_str(), 1);
    const double seconds = Seconds() - start;
    const double mib = FileMiB(target);
    DeleteFileA(target.c_str());
    return result == DL_OK && mib > 0 ? mib / seconds : 0;
}

int Download(HWND host, const std::string& folder, const std::string& url, int rounds) {
    WSADATA winsock;
    if (WSAStartup(MAKEWORD(2, 2), &winsock) != 0)
        return 1;
    CreateDirectoryA(TempFile("").c_str(), nullptr);
    ReceiverThread receiver;
    std::vector<double> dialog, floor, bare, starts, checks, ratios;
    DialogRun run;
    for (int round = 1; round <= rounds; ++round) {
        if (!DownloadThroughDialog(host, folder, url, run))
            return 1;
        dialog.push_back(run.mib / run.seconds);
        starts.push_back(run.startSeconds * 1000);
        checks.push_back(run.checkSeconds * 1000);
        floor.push_back(DownloadHere(url, receiver.Window()));
        bare.push_back(DownloadHere(url, nullptr));
        if (floor.back() == 0 || bare.back() == 0)
            return 1;
        ratios.push_back(100 * dialog.back() / floor.back());
        std::printf("round %d: (a) dialog %.0f MiB/s, (b) receiver returning at once %.0f MiB/s, (c) no "
                    "notifications %.0f MiB/s\n",
                    round, dialog.back(), floor.back(), bare.back());
    }
    const double a = Median(dialog), b = Median(floor), c = Median(bare);
    std::printf(
        "%.0f MiB, median of %d rounds: (a) %.0f MiB/s, (b) %.0f MiB/s, (c) %.0f MiB/s; (a) = %.0f %% of (b) "
        "(median of the rounds' ratios); (b) = %.0f %% of (c)\n",
        run.mib, rounds, a, b, c, Median(ratios), 100 * b / c);
    std::printf("Update.exe from the upgrade command to its open temporary file: median %.0f ms\n",
                Median(starts));
    std::printf("Update.exe from the package in place to its start, the signature fetched and checked "
                "(500 ms wait not counted): median %.0f ms\n",
                Median(checks));
    std::printf(
        "Update.exe memory: before %.1f MiB working set / %.1f MiB private, highest while downloading "
        "%.1f MiB / %.1f MiB (last round)\n",
        run.before.WorkingSetSize / 1048576.0, run.before.PagefileUsage / 1048576.0,
        run.peakWorkingSet / 1048576.0, run.peakPrivate / 1048576.0);
    WSACleanup();
    return 0;
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
    if (mode == "download" && argc >= 5)
        return Download(host, folder, argv[3], std::atoi(argv[4]));
    return 2;
}
