// SOCKS 4, 4A and 5 CONNECT negotiation over a connection of the socket
// layer. The packets themselves are built in socks_packet.
#pragma once

#include "download/socket_layer.h"
#include "download/socks_packet.h"

#include <string>

// Sends the packet in one piece; 0 when all of it went out, -1 otherwise.
int SocksSendPacket(SOCKET s, const SocksPacket& packet, int kind, int ms);
// ipv4 is in network byte order.
int Socks4Request(SOCKET s, uint8_t command, uint16_t port, uint32_t ipv4, const std::string& userId, int ms);
int Socks4aRequest(SOCKET s, uint8_t command, uint16_t port, const std::string& hostName,
                   const std::string& userId, int ms);
int Socks5Greeting(SOCKET s, const std::vector<uint8_t>& methods, int ms);
int Socks5Auth(SOCKET s, const std::string& user, const std::string& password, int ms);
// address: the four bytes of an IPv4 address (type 1) or a host name (type 3).
int Socks5Request(SOCKET s, uint8_t command, uint8_t addressType, const std::string& address, uint16_t port,
                  int ms);
// 0 when the whole reply was read, -1 otherwise.
int SocksReadReply(SockReader* reader, SocksReply& reply, int kind, int ms);

// Where the tunnel goes and how to reach the proxy.
struct SocksTunnel {
    int version = 5; // 4, 41 (4A) or 5
    std::string proxyHost;
    uint16_t proxyPort = 0;
    std::string host; // destination
    uint16_t port = 0;
    bool auth = false; // offer user name and password (SOCKS 5)
    std::string user;  // also the SOCKS 4 user id
    std::string password;
    int connectMs = 10000;
    int sendMs = 10000;
    int recvMs = 10000;
};

constexpr int SOCKS_VERSION_4 = 4;
constexpr int SOCKS_VERSION_4A = 41;
constexpr int SOCKS_VERSION_5 = 5;

enum SocksOutcome {
    SOCKS_OPEN = 0,    // tunnel granted; the connection now reaches the destination
    SOCKS_FAILED = 1,  // connect, send, short or rejected reply
    SOCKS_REFUSED = 2, // SOCKS 5 proxy wants a method we cannot serve
};

// Connects s to the proxy and asks for a tunnel, reading replies through reader.
SocksOutcome SocksOpenTunnel(SOCKET s, SockReader* reader, const SocksTunnel& tunnel);
