#include "download/socks.h"

#include <cstring>

namespace {

// The destination resolved by us; INADDR_NONE when we cannot.
uint32_t ResolveDestination(const SocksTunnel& tunnel) {
    return SockResolve(tunnel.host.c_str(), 1);
}

bool ConnectToProxy(SOCKET s, const SocksTunnel& tunnel) {
    return SockConnectHost(s, tunnel.proxyHost.c_str(), tunnel.proxyPort, tunnel.connectMs, 1) == 0;
}

bool ReplyGranted(SockReader* reader, int kind, const SocksTunnel& tunnel, SocksReply& reply) {
    return SocksReadReply(reader, reply, kind, tunnel.recvMs) == 0 && SocksCheckReply(reply, kind);
}

SocksOutcome OpenSocks4(SOCKET s, SockReader* reader, const SocksTunnel& tunnel, uint32_t address) {
    SocksReply reply;
    if (!ConnectToProxy(s, tunnel) ||
        Socks4Request(s, SOCKS_CMD_CONNECT, tunnel.port, address, tunnel.user, tunnel.sendMs) != 0 ||
        !ReplyGranted(reader, SOCKS4_REPLY, tunnel, reply))
        return SOCKS_FAILED;
    return SOCKS_OPEN;
}

SocksOutcome OpenSocks4a(SOCKET s, SockReader* reader, const SocksTunnel& tunnel) {
    const uint32_t address = ResolveDestination(tunnel);
    if (address != INADDR_NONE)
        return OpenSocks4(s, reader, tunnel, address);
    // Only the proxy may know the name.
    SocksReply reply;
    if (!ConnectToProxy(s, tunnel) ||
        Socks4aRequest(s, SOCKS_CMD_CONNECT, tunnel.port, tunnel.host, tunnel.user, tunnel.sendMs) != 0 ||
        !ReplyGranted(reader, SOCKS4A_REPLY, tunnel, reply))
        return SOCKS_FAILED;
    return SOCKS_OPEN;
}

SocksOutcome OpenSocks5(SOCKET s, SockReader* reader, const SocksTunnel& tunnel) {
    std::vector<uint8_t> methods{SOCKS5_METHOD_NONE};
    if (tunnel.auth)
        methods.push_back(SOCKS5_METHOD_USERPASS);
    SocksReply reply;
    if (!ConnectToProxy(s, tunnel) || Socks5Greeting(s, methods, tunnel.sendMs) != 0 ||
        !ReplyGranted(reader, SOCKS5_METHOD_REPLY, tunnel, reply))
        return SOCKS_FAILED;
    if (reply.code == SOCKS5_METHOD_USERPASS && tunnel.auth) {
        if (Socks5Auth(s, tunnel.user, tunnel.password, tunnel.sendMs) != 0 ||
            !ReplyGranted(reader, SOCKS5_AUTH_REPLY, tunnel, reply))
            return SOCKS_FAILED;
    } else if (reply.code != SOCKS5_METHOD_NONE) {
        return SOCKS_REFUSED;
    }

    const uint32_t address = ResolveDestination(tunnel);
    std::string addressBytes;
    uint8_t addressType = SOCKS5_ADDR_NAME;
    if (address != INADDR_NONE) {
        addressType = SOCKS5_ADDR_IPV4;
        addressBytes.assign(reinterpret_cast<const char*>(&address), 4);
    } else {
        addressBytes = tunnel.host;
    }
    if (Socks5Request(s, SOCKS_CMD_CONNECT, addressType, addressBytes, tunnel.port, tunnel.sendMs) != 0 ||
        !ReplyGranted(reader, SOCKS5_REPLY, tunnel, reply))
        return SOCKS_FAILED;
    return SOCKS_OPEN;
}

} // namespace

int SocksSendPacket(SOCKET s, const SocksPacket& packet, int kind, int ms) {
    const std::vector<uint8_t> bytes = SocksBuildPacket(packet, kind);
    if (s == INVALID_SOCKET || bytes.empty())
        return -1;
    const int length = static_cast<int>(bytes.size());
    return SockSendAll(s, reinterpret_cast<const char*>(bytes.data()), length, ms) == length ? 0 : -1;
}

int Socks4Request(SOCKET s, uint8_t command, uint16_t port, uint32_t ipv4, const std::string& userId,
                  int ms) {
    SocksPacket packet;
    packet.command = command;
    packet.port = port;
    std::memcpy(packet.address, &ipv4, 4);
    packet.userId = userId;
    return SocksSendPacket(s, packet, SOCKS4_REQUEST, ms);
}

int Socks4aRequest(SOCKET s, uint8_t command, uint16_t port, const std::string& hostName,
                   const std::string& userId, int ms) {
    SocksPacket packet;
    packet.command = command;
    packet.port = port;
    packet.hostName = hostName;
    packet.userId = userId;
    return SocksSendPacket(s, packet, SOCKS4A_REQUEST, ms);
}

int Socks5Greeting(SOCKET s, const std::vector<uint8_t>& methods, int ms) {
    SocksPacket packet;
    packet.methods = methods;
    return SocksSendPacket(s, packet, SOCKS5_GREETING, ms);
}

int Socks5Auth(SOCKET s, const std::string& user, const std::string& password, int ms) {
    SocksPacket packet;
    packet.user = user;
    packet.password = password;
    return SocksSendPacket(s, packet, SOCKS5_AUTH, ms);
}

int Socks5Request(SOCKET s, uint8_t command, uint8_t addressType, const std::string& address, uint16_t port,
                  int ms) {
    SocksPacket packet;
    packet.command = command;
    packet.addressType = addressType;
    packet.port = port;
    if (addressType == SOCKS5_ADDR_IPV4) {
        if (address.size() != 4)
            return -1;
        std::memcpy(packet.address, address.data(), 4);
    } else {
        packet.hostName = address;
    }
    return SocksSendPacket(s, packet, SOCKS5_REQUEST, ms);
}

int SocksReadReply(SockReader* reader, SocksReply& reply, int kind, int ms) {
    const SocksByteSource nextByte = [reader, ms] { return ReaderGetByte(reader, ms); };
    return SocksReadReply(nextByte, reply, kind) ? 0 : -1;
}

SocksOutcome SocksOpenTunnel(SOCKET s, SockReader* reader, const SocksTunnel& tunnel) {
    switch (tunnel.version) {
    case SOCKS_VERSION_4: {
        const uint32_t address = ResolveDestination(tunnel);
        if (address == INADDR_NONE)
            return SOCKS_FAILED;
        return OpenSocks4(s, reader, tunnel, address);
    }
    case SOCKS_VERSION_4A:
        return OpenSocks4a(s, reader, tunnel);
    case SOCKS_VERSION_5:
        return OpenSocks5(s, reader, tunnel);
    default:
        return SOCKS_REFUSED;
    }
}
