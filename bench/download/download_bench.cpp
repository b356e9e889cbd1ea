// Download throughput under Wine, one variant per run:
//   download_bench dl    <url> <path>          CHttpDownload into a fresh file
//   download_bench runs  <url> <path> <cut> <runs>
//                                                the same, spread over runs: each
//                                                but the last ends when cut more
//                                                bytes have arrived (as a user
//                                                leaving would end it), and the
//                                                next, a fresh downloader,
//                                                continues the temporary file
//   download_bench recv  <host> <port> <object>  bare blocking recv loop
//   download_bench event <host> <port> <object>  the socket layer's pattern,
//                                                bare: event created, selected,
//                                                waited, enumerated and closed
//                                                around every receive
// All receive in 10240-byte chunks. Prints "bytes seconds" of the transfer.
#include "download/http_download.h"
#include "framework/handles.h"

#include <winsock2.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kChunk = 10240;
constexpr UINT kProgressMessage = WM_APP;

// Ends one run of "runs" once it has brought cut bytes.
struct RunStopper {
    CHttpDownload* download;
    int32_t cut; // 0: the run goes to the end
    int32_t start;
};

LRESULT CALLBACK StopperProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kProgressMessage)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    auto* stopper = reinterpret_cast<RunStopper*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    const auto* progress = reinterpret_cast<const DownloadProgress*>(lParam);
    if (progress->kind == PROGRESS_STARTED)
        stopper->start = progress->done;
    else if (stopper->cut > 0 && progress->done >= stopper->start + stopper->cut)
        stopper->download->m_bStop = 1;
    return 0;
}

// Downloads url in runs + 1 runs; "bytes" of the whole file, or -1.
long long DownloadInRuns(const char* url, const char* path, int32_t cut, int runs) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = StopperProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "WxbBenchStopper";
    RegisterClassA(&wc);
    HWND window =
        CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    long long bytes = -1;
    for (int run = 0; run <= runs; ++run) {
        CHttpDownload download;
        RunStopper stopper{&download, run < runs ? cut : 0, 0};
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&stopper));
        download.SetNotify(window, kProgressMessage, 1);
        const int result = download.Download(url, path, 0);
        if (result != (run < runs ? DL_STOPPED : DL_OK)) {
            std::printf("run %d ended with %d\n", run, result);
            break;
        }
        bytes = download.m_nTotal;
    }
    DestroyWindow(window);
    return bytes;
}

double Seconds() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

SOCKET ConnectAndAsk(const char* host, const char* port, const char* object) {
    SOCKET s = WSASocketA(AF_INET, SOCK_STREAM, 0, nullptr, 0, WSA_FLAG_OVERLAPPED);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(std::atoi(port)));
    address.sin_addr.s_addr = inet_addr(host);
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return INVALID_SOCKET;
    const std::string request =
        std::string("GET ") + object + " HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\n\r\n";
    send(s, request.data(), static_cast<int>(request.size()), 0);
    return s;
}

// Counts everything received, header included (a few hundred bytes).
long long BlockingLoop(SOCKET s) {
    static char buffer[kChunk];
    long long total = 0;
    int n;
    while ((n = recv(s, buffer, kChunk, 0)) > 0)
        total += n;
    return total;
}

long long EventLoop(SOCKET s) {
    static char buffer[kChunk];
    long long total = 0;
    for (;;) {
        UniqueHandle event(CreateEventA(nullptr, FALSE, FALSE, nullptr));
        HANDLE h = event.get();
        WSAEventSelect(s, h, FD_READ | FD_CLOSE);
        if (WSAWaitForMultipleEvents(1, &h, TRUE, 10000, TRUE) != WSA_WAIT_EVENT_0)
            break;
        WSANETWORKEVENTS events;
        WSAEnumNetworkEvents(s, h, &events);
        WSAEventSelect(s, nullptr, 0);
        WSABUF buf{kChunk, buffer};
        DWORD received = 0, flags = 0;
        if (WSARecv(s, &buf, 1, &received, &flags, nullptr, nullptr) != 0) {
            if (WSAGetLastError() == WSAEWOULDBLOCK)
                continue;
            break;
        }
        if (received == 0)
            break;
        total += received;
    }
    return total;
}

} // namespace

int main(int argc, char** argv) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    const std::string mode = argc > 1 ? argv[1] : "";
    long long bytes = 0;
    const double start = Seconds();
    if (mode == "dl" && argc == 4) {
        // Without force, so that broken transfers resume with Range requests.
        DeleteFileA(argv[3]);
        DeleteFileA((std::string(argv[3]) + ".down").c_str());
        CHttpDownload download;
        const int result = download.Download(argv[2], argv[3], 0);
        if (result != DL_OK) {
            std::printf("download failed: %d\n", result);
            return 1;
        }
        bytes = download.m_nTotal;
    } else if (mode == "runs" && argc == 6) {
        DeleteFileA(argv[3]);
        DeleteFileA((std::string(argv[3]) + ".down").c_str());
        bytes = DownloadInRuns(argv[2], argv[3], std::atoi(argv[4]), std::atoi(argv[5]));
        if (bytes < 0)
            return 1;
    } else if ((mode == "recv" || mode == "event") && argc == 5) {
        SOCKET s = ConnectAndAsk(argv[2], argv[3], argv[4]);
        if (s == INVALID_SOCKET)
            return 1;
        bytes = mode == "recv" ? BlockingLoop(s) : EventLoop(s);
        closesocket(s);
    } else {
        std::fprintf(
            stderr,
            "usage: download_bench dl URL PATH | runs URL PATH CUT RUNS | recv|event HOST PORT OBJECT\n");
        return 2;
    }
    std::printf("%lld %.6f\n", bytes, Seconds() - start);
    WSACleanup();
    return 0;
}
