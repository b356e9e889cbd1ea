#include "download/socks_packet.h"

namespace {

bool FitsLengthByte(const std::string& text) {
    return text.size() <= 255;
}
bool HasZeroByte(const std::string& text) {
    return text.find('\0') != std::string::npos;
}

void PutPort(std::vector<uint8_t>& out, uint16_t port) {
    out.push_back(static_cast<uint8_t>(port >> 8));
    out.push_back(static_cast<uint8_t>(port & 0xFF));
}

void PutText(std::vector<uint8_t>& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

bool ReadBytes(const SocksByteSource& nextByte, size_t count, std::vector<uint8_t>& out) {
    for (size_t i = 0; i < count; ++i) {
        const int b = nextByte();
        if (b < 0 || b > 255)
            return false;
        out.push_back(static_cast<uint8_t>(b));
    }
    return true;
}

} // namespace

int SocksPacketLength(const SocksPacket& packet, int kind) {
    switch (kind) {
    case SOCKS4_REQUEST:
        if (HasZeroByte(packet.userId))
            return -1;
        return static_cast<int>(packet.userId.size()) + 9;
    case SOCKS4A_REQUEST:
        if (HasZeroByte(packet.userId) || HasZeroByte(packet.hostName) || packet.hostName.empty())
            return -1;
        return static_cast<int>(packet.userId.size() + packet.hostName.size()) + 10;
    case SOCKS5_GREETING:
        if (packet.methods.empty() || packet.methods.size() > 255)
            return -1;
        return static_cast<int>(packet.methods.size()) + 2;
    case SOCKS5_AUTH:
        if (!FitsLengthByte(packet.user) || !FitsLengthByte(packet.password))
            return -1;
        return static_cast<int>(packet.user.size() + packet.password.size()) + 3;
    case SOCKS5_REQUEST:
        if (packet.addressType == SOCKS5_ADDR_IPV4)
            return 10;
        if (packet.addressType == SOCKS5_ADDR_NAME && !packet.hostName.empty() &&
            FitsLengthByte(packet.hostName))
            return static_cast<int>(packet.hostName.size()) + 7;
        return -1;
    default:
        return -1;
    }
}

std::vector<uint8_t> SocksBuildPacket(const SocksPacket& packet, int kind) {
    std::vector<uint8_t> out;
    const int length = SocksPacketLength(packet, kind);
    if (length < 0)
        return out;
    out.reserve(static_cast<size_t>(length));
    switch (kind) {
    case SOCKS4_REQUEST:
    case SOCKS4A_REQUEST:
        out.push_back(4);
        out.push_back(packet.command);
        PutPort(out, packet.port);
        if (kind == SOCKS4_REQUEST)
            out.insert(out.end(), packet.address, packet.address + 4);
        else
            out.insert(out.end(), {0, 0, 0, 1}); // 0.0.0.x: the host name follows
        PutText(out, packet.userId);
        out.push_back(0);
        if (kind == SOCKS4A_REQUEST) {
            PutText(out, packet.hostName);
            out.push_back(0);
        }
        break;
    case SOCKS5_GREETING:
        out.push_back(5);
        out.push_back(static_cast<uint8_t>(packet.methods.size()));
        out.insert(out.end(), packet.methods.begin(), packet.methods.end());
        break;
    case SOCKS5_AUTH:
        out.push_back(1);
        out.push_back(static_cast<uint8_t>(packet.user.size()));
        PutText(out, packet.user);
        out.push_back(static_cast<uint8_t>(packet.password.size()));
        PutText(out, packet.password);
        break;
    case SOCKS5_REQUEST:
        out.push_back(5);
        out.push_back(packet.command);
        out.push_back(0);
        out.push_back(packet.addressType);
        if (packet.addressType == SOCKS5_ADDR_IPV4) {
            out.insert(out.end(), packet.address, packet.address + 4);
        } else {
            out.push_back(static_cast<uint8_t>(packet.hostName.size()));
            PutText(out, packet.hostName);
        }
        PutPort(out, packet.port);
        break;
    }
    return out;
}

bool SocksReadReply(const SocksByteSource& nextByte, SocksReply& reply, int kind) {
    reply = SocksReply();
    std::vector<uint8_t> head;
    const size_t headLength = (kind == SOCKS5_REPLY)                            ? 4
                              : (kind == SOCKS4_REPLY || kind == SOCKS4A_REPLY) ? 8
                                                                                : 2;
    if (kind < SOCKS4_REPLY || kind > SOCKS5_REPLY || !ReadBytes(nextByte, headLength, head))
        return false;
    reply.version = head[0];
    reply.code = head[1];
    if (kind == SOCKS4_REPLY || kind == SOCKS4A_REPLY) {
        reply.port = static_cast<uint16_t>(head[2] << 8 | head[3]);
        reply.address.assign(head.begin() + 4, head.end());
        return true;
    }
    if (kind != SOCKS5_REPLY || reply.code != 0)
        return true;

    // A granted SOCKS 5 reply goes on with the bound address and port.
    size_t addressLength = 0;
    if (head[3] == SOCKS5_ADDR_IPV4) {
        addressLength = 4;
    } else if (head[3] == SOCKS5_ADDR_IPV6) {
        addressLength = 16;
    } else if (head[3] == SOCKS5_ADDR_NAME) {
        std::vector<uint8_t> nameLength;
        if (!ReadBytes(nextByte, 1, nameLength))
            return false;
        addressLength = nameLength[0];
    }
    std::vector<uint8_t> port;
    if (!ReadBytes(nextByte, addressLength, reply.address) || !ReadBytes(nextByte, 2, port))
        return false;
    reply.port = static_cast<uint16_t>(port[0] << 8 | port[1]);
    return true;
}

bool SocksCheckReply(const SocksReply& reply, int kind) {
    switch (kind) {
    case SOCKS4_REPLY:
    case SOCKS4A_REPLY:
        return reply.code == SOCKS4_GRANTED;
    case SOCKS5_METHOD_REPLY:
        return reply.code <= 3;
    case SOCKS5_AUTH_REPLY:
    case SOCKS5_REPLY:
        return reply.code == 0;
    default:
        return false;
    }
}
