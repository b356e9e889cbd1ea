// Download throughput under Wine, one variant per run:
//   download_bench dl    <url> <path>          CHttpDownload into a fresh file
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
    } else if ((mode == "recv" || mode == "event") && argc == 5) {
        SOCKET s = ConnectAndAsk(argv[2], argv[3], argv[4]);
        if (s == INVALID_SOCKET)
            return 1;
        bytes = mode == "recv" ? BlockingLoop(s) : EventLoop(s);
        closesocket(s);
    } else {
        std::fprintf(stderr, "usage: download_bench dl URL PATH | recv|event HOST PORT OBJECT\n");
        return 2;
    }
    std::printf("%lld %.6f\n", bytes, Seconds() - start);
    WSACleanup();
    return 0;
}
