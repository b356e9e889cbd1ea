#include "download/socket_layer.h"

#include "framework/handles.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include <ws2tcpip.h>

namespace {

std::atomic<int> g_lastError{0};

// Pause before a send that the socket reported as would-block waits for room.
constexpr DWORD kWouldBlockPauseMs = 100;
// How long a graceful close waits for the peer in each drain pass.
constexpr DWORD kDrainWaitMs = 4000;
// How often a wait looks at the stop flag it watches.
constexpr DWORD kStopPollMs = 50;
// A wait's answer when the watched stop flag was found set: a value no wait
// function returns.
constexpr DWORD kWaitStopped = 0x7FFFFFFF;

thread_local const std::atomic<int>* t_stop = nullptr;

bool StopRequested() {
    return t_stop != nullptr && t_stop->load() != 0;
}

// WaitForSingleObject (alertable) that also ends with kWaitStopped as soon
// as the watched stop flag is set.
DWORD WaitWatchingStop(HANDLE handle, DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (StopRequested())
            return kWaitStopped;
        const DWORD elapsed = GetTickCount() - start;
        if (ms != INFINITE && elapsed >= ms)
            return WAIT_TIMEOUT;
        const DWORD left = ms == INFINITE ? INFINITE : ms - elapsed;
        const DWORD wait = WaitForSingleObjectEx(handle, t_stop ? std::min(left, kStopPollMs) : left, TRUE);
        if (wait != WAIT_TIMEOUT)
            return wait;
    }
}

UniqueHandle NewSocketEvent() {
    return UniqueHandle(CreateEventA(nullptr, FALSE, FALSE, nullptr));
}

int FailWith(int code) {
    SockSetLastError(code);
    return -1;
}

// The end of a timed send or receive whose attempt returned n (the bytes,
// or minus the error): the bytes, or -1 with the error stored. Nothing when
// the attempt would block and event, made on the first such attempt, is
// ready to wait on before the next.
std::optional<int> EndOfAttempt(int n, UniqueHandle& event) {
    if (n >= 0)
        return n;
    if (-n != WSAEWOULDBLOCK)
        return FailWith(-n);
    if (!event && !(event = NewSocketEvent()))
        return FailWith(static_cast<int>(GetLastError()));
    return std::nullopt;
}

// Waits for the event already associated with the socket and collects what
// happened; the association is cancelled before returning. False, with the
// error stored, on a failed wait, on an alert that ended the wait and on
// time-out (stored as WSAETIMEDOUT).
bool WaitAssociatedEvent(SOCKET s, HANDLE event, int ms, WSANETWORKEVENTS& events) {
    events = WSANETWORKEVENTS{};
    const DWORD wait = WaitWatchingStop(event, static_cast<DWORD>(ms));
    bool ok = false;
    if (wait == WSA_WAIT_TIMEOUT)
        FailWith(WSAETIMEDOUT);
    else if (wait == kWaitStopped)
        FailWith(WSAEINTR);
    else if (wait != WSA_WAIT_EVENT_0 || WSAEnumNetworkEvents(s, event, &events) != 0)
        FailWith(WSAGetLastError());
    else
        ok = true;
    WSAEventSelect(s, nullptr, 0);
    return ok;
}

// Associates the event with the socket for mask, then waits as above.
bool WaitNetworkEvents(SOCKET s, HANDLE event, long mask, int ms, WSANETWORKEVENTS& events) {
    if (WSAEventSelect(s, event, mask) != 0) {
        FailWith(WSAGetLastError());
        return false;
    }
    return WaitAssociatedEvent(s, event, ms, events);
}

// One name look-up. A look-up thread that was left behind after a stop
// still owns its half, so it never writes into memory that is gone.
struct Lookup {
    std::string name;
    uint32_t address = INADDR_NONE;
    int error = 0;
};

void LookUp(Lookup& lookup) {
    hostent* entry = gethostbyname(lookup.name.c_str());
    if (entry != nullptr && entry->h_addrtype == AF_INET && entry->h_addr_list[0] != nullptr)
        std::memcpy(&lookup.address, entry->h_addr_list[0], sizeof lookup.address);
    if (lookup.address == INADDR_NONE) {
        const int code = entry == nullptr ? WSAGetLastError() : 0;
        lookup.error = code != 0 ? code : WSAHOST_NOT_FOUND;
    }
}

DWORD WINAPI LookUpOnThread(LPVOID param) {
    const std::unique_ptr<std::shared_ptr<Lookup>> lookup(static_cast<std::shared_ptr<Lookup>*>(param));
    LookUp(**lookup);
    return 0;
}

// Runs the look-up on a thread of its own with a fresh stack and waits for
// it, unless a stop comes first. False when no thread could be made.
bool LookUpOnOwnThread(const std::shared_ptr<Lookup>& lookup) {
    auto* share = new (std::nothrow) std::shared_ptr<Lookup>(lookup);
    if (share == nullptr)
        return false;
    UniqueHandle thread(CreateThread(nullptr, 0, LookUpOnThread, share, 0, nullptr));
    if (!thread) {
        delete share;
        return false;
    }
    if (WaitWatchingStop(thread.get(), INFINITE) == kWaitStopped)
        lookup->error = WSAEINTR;
    return true;
}

} // namespace

void SockWatchStop(const std::atomic<int>* stop) {
    t_stop = stop;
}

int SockGetLastError() {
    return g_lastError.load();
}

int SockSetLastError(int code) {
    g_lastError.store(code);
    return code;
}

int SockSetReuseAddr(SOCKET s) {
    const int on = 1;
    if (setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on) != 0)
        return FailWith(WSAGetLastError());
    return 0;
}

SOCKET SockCreate(int family, int type, int protocol) {
    SOCKET s = WSASocketA(family, type, protocol, nullptr, 0, WSA_FLAG_OVERLAPPED);
    if (s == INVALID_SOCKET) {
        SockSetLastError(WSAGetLastError());
        return INVALID_SOCKET;
    }
    // Non-blocking from the start: every operation tries first and waits on
    // an event only when the socket reports would-block.
    u_long nonBlocking = 1;
    if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
        SockSetLastError(WSAGetLastError());
        SockClose(s, 1);
        return INVALID_SOCKET;
    }
    if (SockSetReuseAddr(s) != 0) {
        SockClose(s, 1);
        return INVALID_SOCKET;
    }
    return s;
}

int SockClose(SOCKET s, int hard) {
    if (hard)
        return closesocket(s);
    // Graceful: say we are done, then drain until the peer closes too.
    shutdown(s, SD_SEND);
    UniqueHandle event = NewSocketEvent();
    char drain[256];
    int received = 0;
    do {
        if (event) {
            WSAEventSelect(s, event.get(), FD_READ | FD_CLOSE);
            HANDLE h = event.get();
            WSAWaitForMultipleEvents(1, &h, TRUE, kDrainWaitMs, TRUE);
            WSAEventSelect(s, nullptr, 0);
        }
        std::memset(drain, 0, sizeof drain);
        received = SockRecv(s, drain, sizeof drain);
    } while (received > 0);
    shutdown(s, SD_BOTH);
    return closesocket(s);
}

int SockRecv(SOCKET s, char* buffer, int length) {
    WSABUF buf{static_cast<ULONG>(length), buffer};
    DWORD received = 0;
    DWORD flags = 0;
    if (WSARecv(s, &buf, 1, &received, &flags, nullptr, nullptr) != 0)
        return -WSAGetLastError();
    return static_cast<int>(received);
}

int SockSend(SOCKET s, const char* buffer, int length) {
    WSABUF buf{static_cast<ULONG>(length), const_cast<char*>(buffer)};
    DWORD sent = 0;
    if (WSASend(s, &buf, 1, &sent, 0, nullptr, nullptr) != 0)
        return -WSAGetLastError();
    return static_cast<int>(sent);
}

int SockRecvTimeout(SOCKET s, char* buffer, int length, int ms) {
    // Receive first and wait only when nothing is there: a bulk transfer then
    // costs one call per chunk, and a connection reset after data arrived
    // still yields that data (Wine signals no further FD_READ for it).
    UniqueHandle event;
    for (;;) {
        if (const std::optional<int> end = EndOfAttempt(SockRecv(s, buffer, length), event))
            return *end;
        WSANETWORKEVENTS events;
        if (!WaitNetworkEvents(s, event.get(), FD_READ | FD_CLOSE, ms, events))
            return -1;
        // A read error without a close fails; a close still lets the bytes
        // that came before it be read.
        if ((events.lNetworkEvents & FD_CLOSE) == 0 && events.iErrorCode[FD_READ_BIT] != 0)
            return FailWith(events.iErrorCode[FD_READ_BIT]);
    }
}

int SockSendTimeout(SOCKET s, const char* buffer, int length, int ms) {
    UniqueHandle event;
    for (;;) {
        if (const std::optional<int> end = EndOfAttempt(SockSend(s, buffer, length), event))
            return *end;
        Sleep(kWouldBlockPauseMs);
        WSANETWORKEVENTS events;
        if (!WaitNetworkEvents(s, event.get(), FD_WRITE | FD_CLOSE, ms, events))
            return -1;
        if ((events.lNetworkEvents & FD_WRITE) == 0)
            return FailWith(events.iErrorCode[FD_CLOSE_BIT] != 0 ? events.iErrorCode[FD_CLOSE_BIT]
                                                                 : WSAECONNRESET);
        if (events.iErrorCode[FD_WRITE_BIT] != 0)
            return FailWith(events.iErrorCode[FD_WRITE_BIT]);
    }
}

int SockSendAll(SOCKET s, const char* buffer, int length, int ms) {
    int sent = 0;
    while (sent < length) {
        const int n = SockSendTimeout(s, buffer + sent, length - sent, ms);
        if (n <= 0)
            break;
        sent += n;
    }
    return sent;
}

int SockConnectTimeout(SOCKET s, const sockaddr* address, int length, int ms) {
    UniqueHandle event = NewSocketEvent();
    if (!event)
        return FailWith(static_cast<int>(GetLastError()));
    // The select makes the socket non-blocking, so the connect only starts here.
    if (WSAEventSelect(s, event.get(), FD_CONNECT) != 0)
        return FailWith(WSAGetLastError());
    if (WSAConnect(s, address, length, nullptr, nullptr, nullptr, nullptr) == 0)
        return 0;
    const int code = WSAGetLastError();
    if (code != WSAEWOULDBLOCK) {
        WSAEventSelect(s, nullptr, 0);
        return FailWith(code);
    }
    WSANETWORKEVENTS events;
    if (!WaitAssociatedEvent(s, event.get(), ms, events))
        return -1;
    if (events.iErrorCode[FD_CONNECT_BIT] != 0)
        return FailWith(events.iErrorCode[FD_CONNECT_BIT]);
    return 0;
}

uint32_t SockResolve(const char* name, int useThread) {
    const uint32_t dotted = inet_addr(name);
    if (dotted != INADDR_NONE)
        return dotted;
    const auto lookup = std::make_shared<Lookup>();
    lookup->name = name;
    if (!useThread || !LookUpOnOwnThread(lookup))
        LookUp(*lookup);
    if (lookup->error != 0) {
        SockSetLastError(lookup->error);
        return INADDR_NONE;
    }
    return lookup->address;
}

namespace {

// host as an IPv6 address literal.
bool ReadIpv6Literal(const char* host, sockaddr_in6& address) {
    if (std::strchr(host, ':') == nullptr)
        return false;
    int length = sizeof address;
    address = sockaddr_in6{};
    return WSAStringToAddressA(const_cast<char*>(host), AF_INET6, nullptr,
                               reinterpret_cast<sockaddr*>(&address), &length) == 0;
}

} // namespace

int SockFamilyOf(const char* host) {
    sockaddr_in6 address;
    return ReadIpv6Literal(host, address) ? AF_INET6 : AF_INET;
}

int SockConnectHost(SOCKET s, const char* host, uint16_t port, int ms, int useThread) {
    sockaddr_in6 six;
    if (ReadIpv6Literal(host, six)) {
        six.sin6_port = htons(port);
        return SockConnectTimeout(s, reinterpret_cast<const sockaddr*>(&six), sizeof six, ms);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = SockResolve(host, useThread);
    if (address.sin_addr.s_addr == INADDR_NONE)
        return -1; // the look-up stored why
    return SockConnectTimeout(s, reinterpret_cast<const sockaddr*>(&address), sizeof address, ms);
}

SockReader* ReaderCreate(SOCKET s, int capacity) {
    if (s == INVALID_SOCKET || capacity <= 0)
        return nullptr;
    char* buffer = new (std::nothrow) char[capacity]();
    if (buffer == nullptr)
        return nullptr;
    SockReader* reader = new (std::nothrow) SockReader{s, capacity, buffer, 0, 0, 0, nullptr, nullptr};
    if (reader == nullptr)
        delete[] buffer;
    return reader;
}

SOCKET ReaderFree(SockReader* reader, int closeSocket) {
    const SOCKET s = reader->socket;
    delete[] reader->buffer;
    delete reader;
    if (!closeSocket)
        return s;
    SockClose(s, 0);
    return INVALID_SOCKET;
}

void ReaderSetSource(SockReader* reader, SockSource source, void* context) {
    reader->source = source;
    reader->sourceContext = context;
}

namespace {

int ReaderReceive(SockReader* reader, char* buffer, int length, int ms) {
    if (reader->source != nullptr)
        return reader->source(reader->sourceContext, buffer, length, ms);
    return SockRecvTimeout(reader->socket, buffer, length, ms);
}

} // namespace

int ReaderFill(SockReader* reader, int ms) {
    const int space = reader->capacity - reader->count;
    if (space <= 0)
        return 0;
    // An empty ring starts over at its beginning, so a whole block fits in one piece.
    if (reader->count == 0)
        reader->readPos = reader->writePos = 0;
    if (space <= reader->capacity - reader->writePos) {
        const int n = ReaderReceive(reader, reader->buffer + reader->writePos, space, ms);
        if (n > 0) {
            reader->writePos = (reader->writePos + n) % reader->capacity;
            reader->count += n;
        }
        return n;
    }
    // The free space wraps around the end of the ring: receive into a block, then copy.
    std::vector<char> block(static_cast<size_t>(space));
    const int n = ReaderReceive(reader, block.data(), space, ms);
    for (int i = 0; i < n; ++i) {
        reader->buffer[reader->writePos] = block[static_cast<size_t>(i)];
        reader->writePos = (reader->writePos + 1) % reader->capacity;
    }
    if (n > 0)
        reader->count += n;
    return n;
}

int ReaderGetByte(SockReader* reader, int ms) {
    if (reader->count == 0 && ReaderFill(reader, ms) <= 0)
        return READER_NONE;
    const unsigned char byte = static_cast<unsigned char>(reader->buffer[reader->readPos]);
    reader->readPos = (reader->readPos + 1) % reader->capacity;
    --reader->count;
    return byte;
}

int ReaderGetLine(SockReader* reader, char* buffer, int size, int* state, int ms) {
    *state = 1;
    if (size - 1 <= 0) {
        if (size == 1)
            buffer[0] = '\0';
        return 0;
    }
    int stored = 0;
    for (;;) {
        const int byte = ReaderGetByte(reader, ms);
        if (byte == READER_NONE) {
            buffer[stored] = '\0';
            *state = -1;
            return -1;
        }
        if (byte == '\n') {
            if (stored > 0 && buffer[stored - 1] == '\r')
                --stored;
            buffer[stored] = '\0';
            *state = 0;
            return stored;
        }
        buffer[stored++] = static_cast<char>(byte);
        if (stored == size - 1) {
            buffer[stored] = '\0';
            return stored;
        }
    }
}

int ReaderRead(SockReader* reader, char* buffer, int size, int ms) {
    if (reader->count == 0 && ReaderFill(reader, ms) <= 0)
        return 0;
    const int n = std::min(reader->count, size);
    const int first = std::min(n, reader->capacity - reader->readPos);
    std::memcpy(buffer, reader->buffer + reader->readPos, static_cast<size_t>(first));
    std::memcpy(buffer + first, reader->buffer, static_cast<size_t>(n - first));
    reader->readPos = (reader->readPos + n) % reader->capacity;
    reader->count -= n;
    return n;
}
