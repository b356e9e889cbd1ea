#include "download/socks_packet.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes FromText(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// Hands out the given bytes, then reports that no more can be had.
SocksByteSource Source(const Bytes& bytes) {
    auto position = std::make_shared<size_t>(0);
    return [bytes, position]() -> int { return *position < bytes.size() ? bytes[(*position)++] : 256; };
}

} // namespace

TEST(SocksPacket, Socks4Request) {
    SocksPacket p;
    p.port = 8080;
    const uint8_t address[4] = {127, 0, 0, 1};
    std::copy(address, address + 4, p.address);
    EXPECT_EQ(SocksBuildPacket(p, SOCKS4_REQUEST), (Bytes{4, 1, 0x1F, 0x90, 127, 0, 0, 1, 0}))
        << "an empty user id gives 9 bytes";
    p.userId = "bob";
    EXPECT_EQ(SocksPacketLength(p, SOCKS4_REQUEST), 12);
    EXPECT_EQ(SocksBuildPacket(p, SOCKS4_REQUEST), (Bytes{4, 1, 0x1F, 0x90, 127, 0, 0, 1, 'b', 'o', 'b', 0}));
    p.userId = std::string("a\0b", 3);
    EXPECT_TRUE(SocksBuildPacket(p, SOCKS4_REQUEST).empty()) << "a zero byte would end the user id early";
}

TEST(SocksPacket, Socks4aRequestCarriesTheName) {
    SocksPacket p;
    p.port = 80;
    p.userId = "u";
    p.hostName = "files.example";
    Bytes expected{4, 1, 0, 80, 0, 0, 0, 1, 'u', 0};
    const Bytes name = FromText("files.example");
    expected.insert(expected.end(), name.begin(), name.end());
    expected.push_back(0);
    EXPECT_EQ(SocksPacketLength(p, SOCKS4A_REQUEST), 1 + 13 + 10);
    EXPECT_EQ(SocksBuildPacket(p, SOCKS4A_REQUEST), expected);
}

TEST(SocksPacket, Socks5Packets) {
    SocksPacket p;
    p.methods = {0};
    EXPECT_EQ(SocksBuildPacket(p, SOCKS5_GREETING), (Bytes{5, 1, 0}));
    p.methods = {0, 2};
    EXPECT_EQ(SocksBuildPacket(p, SOCKS5_GREETING), (Bytes{5, 2, 0, 2}));

    p.user = "ab";
    p.password = "xyz";
    EXPECT_EQ(SocksBuildPacket(p, SOCKS5_AUTH), (Bytes{1, 2, 'a', 'b', 3, 'x', 'y', 'z'}));
    p.user.assign(256, 'u');
    EXPECT_EQ(SocksPacketLength(p, SOCKS5_AUTH), -1) << "too long for its length byte";

    p.port = 443;
    const uint8_t address[4] = {10, 1, 2, 3};
    std::copy(address, address + 4, p.address);
    p.addressType = SOCKS5_ADDR_IPV4;
    EXPECT_EQ(SocksBuildPacket(p, SOCKS5_REQUEST), (Bytes{5, 1, 0, 1, 10, 1, 2, 3, 0x01, 0xBB}));
    p.addressType = SOCKS5_ADDR_NAME;
    p.hostName = "ab.c";
    EXPECT_EQ(SocksBuildPacket(p, SOCKS5_REQUEST), (Bytes{5, 1, 0, 3, 4, 'a', 'b', '.', 'c', 0x01, 0xBB}));
    EXPECT_EQ(SocksPacketLength(p, SOCKS5_REQUEST), 4 + 7);
    p.hostName.assign(256, 'h');
    EXPECT_TRUE(SocksBuildPacket(p, SOCKS5_REQUEST).empty());
}

TEST(SocksReply, Socks4RepliesAreEightBytes) {
    SocksReply r;
    EXPECT_TRUE(SocksReadReply(Source({0, 0x5A, 0, 80, 1, 2, 3, 4}), r, SOCKS4_REPLY));
    EXPECT_TRUE(SocksCheckReply(r, SOCKS4_REPLY));
    EXPECT_EQ(r.port, 80);
    EXPECT_TRUE(SocksReadReply(Source({0, 0x5B, 0, 0, 0, 0, 0, 0}), r, SOCKS4A_REPLY));
    EXPECT_FALSE(SocksCheckReply(r, SOCKS4A_REPLY));
    EXPECT_FALSE(SocksReadReply(Source({0, 0x5A, 0, 80, 1, 2, 3}), r, SOCKS4_REPLY)) << "short";
}

TEST(SocksReply, Socks5MethodAndAuthReplies) {
    SocksReply r;
    for (uint8_t method : {0, 1, 2, 3}) {
        EXPECT_TRUE(SocksReadReply(Source({5, method}), r, SOCKS5_METHOD_REPLY));
        EXPECT_TRUE(SocksCheckReply(r, SOCKS5_METHOD_REPLY));
        EXPECT_EQ(r.code, method);
    }
    EXPECT_TRUE(SocksReadReply(Source({5, 0xFF}), r, SOCKS5_METHOD_REPLY));
    EXPECT_FALSE(SocksCheckReply(r, SOCKS5_METHOD_REPLY)) << "no acceptable method";
    EXPECT_FALSE(SocksReadReply(Source({5}), r, SOCKS5_METHOD_REPLY));
    EXPECT_TRUE(SocksReadReply(Source({1, 0}), r, SOCKS5_AUTH_REPLY));
    EXPECT_TRUE(SocksCheckReply(r, SOCKS5_AUTH_REPLY));
    EXPECT_TRUE(SocksReadReply(Source({1, 1}), r, SOCKS5_AUTH_REPLY));
    EXPECT_FALSE(SocksCheckReply(r, SOCKS5_AUTH_REPLY));
}

TEST(SocksReply, Socks5ReplyReadsTheBoundAddress) {
    SocksReply r;
    EXPECT_TRUE(SocksReadReply(Source({5, 0, 0, 1, 127, 0, 0, 1, 0x12, 0x34}), r, SOCKS5_REPLY));
    EXPECT_TRUE(SocksCheckReply(r, SOCKS5_REPLY));
    EXPECT_EQ(r.port, 0x1234);
    EXPECT_EQ(r.address, (Bytes{127, 0, 0, 1}));

    EXPECT_TRUE(SocksReadReply(Source({5, 0, 0, 3, 2, 'h', 'i', 0, 80}), r, SOCKS5_REPLY));
    EXPECT_EQ(r.address, FromText("hi"));
    Bytes v6{5, 0, 0, 4};
    v6.resize(4 + 16 + 2, 9);
    EXPECT_TRUE(SocksReadReply(Source(v6), r, SOCKS5_REPLY));
    EXPECT_EQ(r.address.size(), 16u);

    EXPECT_FALSE(SocksReadReply(Source({5, 0, 0, 1, 127, 0}), r, SOCKS5_REPLY)) << "cut in the address";
    EXPECT_FALSE(SocksReadReply(Source({5, 0, 0, 1, 127, 0, 0, 1, 0}), r, SOCKS5_REPLY)) << "cut in the port";
    EXPECT_TRUE(SocksReadReply(Source({5, 5, 0, 1}), r, SOCKS5_REPLY)) << "a refusal carries no address";
    EXPECT_FALSE(SocksCheckReply(r, SOCKS5_REPLY));
}
