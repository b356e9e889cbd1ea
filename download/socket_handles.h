// RAII owners for the socket layer, in the manner of framework/handles.h:
// Windows Sockets for a scope, and a socket of the layer closed with its
// owner. Non-copyable.
#pragma once

#include "download/socket_layer.h"

// Windows Sockets 2.2 for the scope (WSAStartup/WSACleanup).
class WinsockScope {
public:
    WinsockScope() {
        WSADATA data;
        m_ok = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~WinsockScope() {
        if (m_ok)
            WSACleanup();
    }
    WinsockScope(const WinsockScope&) = delete;
    WinsockScope& operator=(const WinsockScope&) = delete;
    bool ok() const { return m_ok; }

private:
    bool m_ok;
};

// A new TCP socket of the socket layer (SockCreate), closed hard with the
// object; INVALID_SOCKET when none could be made. For a connection made only
// to see whether a peer answers.
class ProbeSocket {
public:
    explicit ProbeSocket(int family = AF_INET) : m_hSocket(SockCreate(family, SOCK_STREAM, 0)) {}
    ~ProbeSocket() {
        if (m_hSocket != INVALID_SOCKET)
            SockClose(m_hSocket, 1);
    }
    ProbeSocket(const ProbeSocket&) = delete;
    ProbeSocket& operator=(const ProbeSocket&) = delete;
    SOCKET get() const { return m_hSocket; }

private:
    SOCKET m_hSocket;
};
