// SOCKS 4, 4A and 5 packets (RFC 1928, RFC 1929) and reply checks. No
// sockets here: replies are read from any source of bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Packet kinds.
enum SocksPacketKind {
    SOCKS4_REQUEST = 1,
    SOCKS4A_REQUEST = 2,
    SOCKS5_GREETING = 3,
    SOCKS5_AUTH = 4,
    SOCKS5_REQUEST = 5,
};

// Reply kinds.
enum SocksReplyKind {
    SOCKS4_REPLY = 33,
    SOCKS4A_REPLY = 34,
    SOCKS5_METHOD_REPLY = 35,
    SOCKS5_AUTH_REPLY = 36,
    SOCKS5_REPLY = 37,
};

constexpr uint8_t SOCKS_CMD_CONNECT = 1;
constexpr uint8_t SOCKS5_ADDR_IPV4 = 1;
constexpr uint8_t SOCKS5_ADDR_NAME = 3;
constexpr uint8_t SOCKS5_ADDR_IPV6 = 4;
constexpr uint8_t SOCKS5_METHOD_NONE = 0;
constexpr uint8_t SOCKS5_METHOD_GSSAPI = 1;
constexpr uint8_t SOCKS5_METHOD_USERPASS = 2;
constexpr uint8_t SOCKS4_GRANTED = 90;

// The fields a packet is built from; each kind uses some of them.
struct SocksPacket {
    uint8_t command = SOCKS_CMD_CONNECT;
    uint16_t port = 0;                 // destination port, host byte order
    uint8_t address[4] = {0, 0, 0, 0}; // destination IPv4 address, parts in order
    uint8_t addressType = SOCKS5_ADDR_IPV4;
    std::string userId;           // SOCKS 4 and 4A
    std::string hostName;         // SOCKS 4A, and SOCKS 5 address type 3
    std::vector<uint8_t> methods; // SOCKS 5 greeting
    std::string user;             // SOCKS 5 user name and password
    std::string password;
};

// Length of the packet in bytes, or -1 when the fields cannot be sent: a
// text longer than its one-byte length field, a zero byte inside a text that
// a zero byte ends, or no methods.
int SocksPacketLength(const SocksPacket& packet, int kind);

// The packet's bytes; empty when SocksPacketLength is -1.
std::vector<uint8_t> SocksBuildPacket(const SocksPacket& packet, int kind);

// What a reply held; only code is judged.
struct SocksReply {
    uint8_t version = 0;
    uint8_t code = 0;
    uint16_t port = 0;
    std::vector<uint8_t> address;
};

// Yields the next byte of the reply (0..255), or anything else when no more
// bytes can be had.
using SocksByteSource = std::function<int()>;

// Reads one reply of the kind; false when the bytes ran out first.
bool SocksReadReply(const SocksByteSource& nextByte, SocksReply& reply, int kind);

// Whether the reply grants what was asked.
bool SocksCheckReply(const SocksReply& reply, int kind);
