// Blocking TCP operations with a time-out each, over Windows Sockets 2. The
// sockets are non-blocking; an operation that would block waits on a network
// event object of its own, so a connect, send or receive never blocks longer
// than its own time-out. One process-wide last error replaces error returns;
// it is meaningful while one thread does network work.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstdint>

// Returned by ReaderGetByte when no byte can be had.
constexpr int READER_NONE = 256;

// Where a reader's bytes come from instead of the socket itself (a layer
// such as TLS over it): receives as SockRecvTimeout does.
using SockSource = int (*)(void* context, char* buffer, int length, int ms);

// Buffered reader over a socket: a ring buffer of capacity bytes.
struct SockReader {
    SOCKET socket;
    int capacity;
    char* buffer;
    int count;    // bytes held
    int readPos;  // next byte to hand out
    int writePos; // where the next received byte goes
    SockSource source = nullptr; // none: the socket
    void* sourceContext = nullptr;
};

int SockGetLastError();
int SockSetLastError(int code);

int SockSetReuseAddr(SOCKET s);
SOCKET SockCreate(int family, int type, int protocol);
int SockClose(SOCKET s, int hard);

int SockRecv(SOCKET s, char* buffer, int length);
int SockRecvTimeout(SOCKET s, char* buffer, int length, int ms);
int SockSend(SOCKET s, const char* buffer, int length);
int SockSendTimeout(SOCKET s, const char* buffer, int length, int ms);
int SockSendAll(SOCKET s, const char* buffer, int length, int ms);

// The stop flag this thread's waits watch (nullptr: none). Once it is set,
// a name look-up, a connect and a receive that waits end at once, failing
// with WSAEINTR; their own time-outs are unchanged.
void SockWatchStop(const std::atomic<int>* stop);

int SockConnectTimeout(SOCKET s, const sockaddr* address, int length, int ms);
// IPv4 address in network byte order, or INADDR_NONE.
uint32_t SockResolve(const char* name, int useThread);
// AF_INET6 for an IPv6 address literal ("::1"), else AF_INET: the family of
// the socket that SockConnectHost connects to host.
int SockFamilyOf(const char* host);
int SockConnectHost(SOCKET s, const char* host, uint16_t port, int ms, int useThread);

SockReader* ReaderCreate(SOCKET s, int capacity);
SOCKET ReaderFree(SockReader* reader, int closeSocket);
// From now on the reader receives through source (nullptr: the socket again).
void ReaderSetSource(SockReader* reader, SockSource source, void* context);
int ReaderFill(SockReader* reader, int ms);
int ReaderGetByte(SockReader* reader, int ms);
// The number of bytes stored (a NUL byte among them too), or -1; state: 0
// line complete, 1 buffer full and the line goes on, -1 no byte.
int ReaderGetLine(SockReader* reader, char* buffer, int size, int* state, int ms);
int ReaderRead(SockReader* reader, char* buffer, int size, int ms);
