// The socket layer against a real loopback peer inside the test: a plain
// blocking Winsock server on its own thread plays a script of sends.
#include "download/socket_layer.h"
#include "framework/handles.h"
#include "tests/download/test_support.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <thread>

using namespace std::string_literals;

namespace {

class LoopbackPeer {
public:
    explicit LoopbackPeer(std::function<void(SOCKET)> script) : m_listener(LoopbackListener(1, m_port)) {
        m_thread = std::thread([this, script] {
            SOCKET peer = accept(m_listener, nullptr, nullptr);
            if (peer != INVALID_SOCKET) {
                script(peer);
                closesocket(peer);
            }
        });
    }
    ~LoopbackPeer() {
        Join();
        closesocket(m_listener);
    }
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    uint16_t Port() const { return m_port; }
    // Waits until the script has run.
    void Join() {
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    uint16_t m_port = 0; // set while m_listener is made
    SOCKET m_listener = INVALID_SOCKET;
    std::thread m_thread;
};

void SendText(SOCKET s, const std::string& text) {
    send(s, text.data(), static_cast<int>(text.size()), 0);
}

// A connected client socket of the layer, with a reader on it.
class Client {
public:
    Client(uint16_t port, int capacity = 10240) {
        m_socket = SockCreate(AF_INET, SOCK_STREAM, 0);
        EXPECT_NE(m_socket, INVALID_SOCKET);
        EXPECT_EQ(SockConnectHost(m_socket, "127.0.0.1", port, 2000, 1), 0);
        m_reader = ReaderCreate(m_socket, capacity);
        EXPECT_NE(m_reader, nullptr);
    }
    ~Client() {
        ReaderFree(m_reader, 0);
        SockClose(m_socket, 1);
    }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    SOCKET Socket() const { return m_socket; }
    SockReader* Reader() const { return m_reader; }

    // One line piece, as many bytes as the reader says it stored; the state
    // is returned through state.
    std::string Line(int size, int* state, int ms = 2000) {
        std::string buffer(static_cast<size_t>(size), 'X');
        const int stored = ReaderGetLine(m_reader, &buffer[0], size, state, ms);
        if (stored < 0)
            return "<none>";
        EXPECT_EQ(buffer[static_cast<size_t>(stored)], '\0') << "the text is terminated";
        return buffer.substr(0, static_cast<size_t>(stored));
    }

private:
    SOCKET m_socket = INVALID_SOCKET;
    SockReader* m_reader = nullptr;
};

UniqueHandle NewEvent() {
    return UniqueHandle(CreateEventA(nullptr, TRUE, FALSE, nullptr));
}

} // namespace

TEST(SocketLayer, LineReaderSplitsLines) {
    const std::string longLine(1500, 'L');
    LoopbackPeer peer([&](SOCKET s) {
        SendText(s, "abc\r\n\r\nlf only\nkeeps\rcr\r\nn\0l\r\n"s);
        Sleep(50);
        SendText(s, longLine.substr(0, 700));
        Sleep(50);
        SendText(s, longLine.substr(700) + "\r\n");
    });
    Client client(peer.Port());
    int state = 7;
    EXPECT_EQ(client.Line(1024, &state), "abc");
    EXPECT_EQ(state, 0);
    EXPECT_EQ(client.Line(1024, &state), "") << "CR LF alone ends an HTTP header";
    EXPECT_EQ(state, 0);
    EXPECT_EQ(client.Line(1024, &state), "lf only");
    EXPECT_EQ(state, 0);
    EXPECT_EQ(client.Line(1024, &state), "keeps\rcr") << "a lone CR stays in the text";
    EXPECT_EQ(client.Line(1024, &state), "n\0l"s) << "a NUL byte is stored and counted";

    // 1500 bytes arriving in two sends, read with a 1024-byte buffer.
    EXPECT_EQ(client.Line(1024, &state), longLine.substr(0, 1023));
    EXPECT_EQ(state, 1) << "the line goes on";
    EXPECT_EQ(client.Line(1024, &state), longLine.substr(1023));
    EXPECT_EQ(state, 0);

    EXPECT_EQ(client.Line(1024, &state), "<none>") << "the peer has closed";
    EXPECT_EQ(state, -1);
}

TEST(SocketLayer, PeerClosingFirstEndsTheLineReader) {
    LoopbackPeer peer([](SOCKET) {});
    Client client(peer.Port());
    int state = 7;
    EXPECT_EQ(client.Line(1024, &state), "<none>");
    EXPECT_EQ(state, -1);
    EXPECT_EQ(ReaderGetByte(client.Reader(), 500), READER_NONE);
}

TEST(SocketLayer, RingBufferWrapsAroundItsEnd) {
    UniqueHandle firstTaken = NewEvent();
    LoopbackPeer peer([&](SOCKET s) {
        SendText(s, "0123456789ab");
        WaitForSingleObject(firstTaken.get(), 5000);
        SendText(s, "cdefghijkl");
    });
    Client client(peer.Port(), 16);
    char buffer[32] = {};
    ASSERT_EQ(ReaderFill(client.Reader(), 2000), 12);
    ASSERT_EQ(ReaderRead(client.Reader(), buffer, 10, 2000), 10);
    EXPECT_EQ(std::string(buffer, 10), "0123456789");
    SetEvent(firstTaken.get());

    // Two bytes are left at positions 10 and 11; ten more must wrap to the start.
    SockReader* reader = client.Reader();
    EXPECT_EQ(reader->readPos, 10);
    EXPECT_EQ(reader->writePos, 12);
    ASSERT_EQ(ReaderFill(reader, 2000), 10);
    EXPECT_EQ(reader->count, 12);
    EXPECT_EQ(reader->writePos, 6) << "the write position wrapped";
    ASSERT_EQ(ReaderRead(reader, buffer, sizeof buffer, 2000), 12);
    EXPECT_EQ(std::string(buffer, 12), "abcdefghijkl");
    EXPECT_EQ(reader->count, 0);
}

TEST(SocketLayer, DataArrivingWithTheCloseIsStillDelivered) {
    UniqueHandle sent = NewEvent();
    LoopbackPeer peer([&](SOCKET s) {
        SendText(s, "last words");
        shutdown(s, SD_SEND);
        SetEvent(sent.get());
    });
    Client client(peer.Port());
    // Wait until data and close have both arrived before the first receive.
    WaitForSingleObject(sent.get(), 5000);
    Sleep(200);
    char buffer[64] = {};
    ASSERT_EQ(ReaderRead(client.Reader(), buffer, sizeof buffer, 2000), 10);
    EXPECT_EQ(std::string(buffer, 10), "last words");
    EXPECT_EQ(ReaderRead(client.Reader(), buffer, sizeof buffer, 2000), 0);
}

// Wine fact: after a connection reset, bytes that had already arrived stay
// readable, but a newly selected event signals no FD_READ for them, and recv
// reports the end as 0 (a graceful close) instead of WSAECONNRESET. A receive
// that waits first would stall until its time-out here; ours reads first.
TEST(SocketLayer, BytesThatArrivedBeforeAResetAreDeliveredWithoutStalling) {
    const Bytes data = RandomBytes(100000, 2);
    LoopbackPeer peer([&](SOCKET s) {
        send(s, data.data(), static_cast<int>(data.size()), 0);
        Sleep(100);
        // Closing with a zero linger time sends a reset.
        const linger abort{1, 0};
        setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
    });
    Client client(peer.Port());
    peer.Join();
    Sleep(100);
    Bytes received;
    char buffer[10240];
    const DWORD start = GetTickCount();
    int n;
    while ((n = ReaderRead(client.Reader(), buffer, sizeof buffer, 5000)) > 0)
        received.insert(received.end(), buffer, buffer + n);
    EXPECT_LT(GetTickCount() - start, 2000u) << "ended by the reset, not by the time-out";
    EXPECT_EQ(received, data);
}

TEST(SocketLayer, ReceiveTimesOut) {
    UniqueHandle done = NewEvent();
    LoopbackPeer peer([&](SOCKET) { WaitForSingleObject(done.get(), 10000); });
    Client client(peer.Port());
    char buffer[16];
    const DWORD start = GetTickCount();
    EXPECT_EQ(SockRecvTimeout(client.Socket(), buffer, sizeof buffer, 300), -1);
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(SockGetLastError(), WSAETIMEDOUT);
    EXPECT_GE(elapsed, 250u);
    EXPECT_LT(elapsed, 3000u);
    SetEvent(done.get());
}

TEST(SocketLayer, SendAllMovesLargeBuffersAndTimesOutOnAStuckPeer) {
    // More than loopback can buffer: here the receiver's buffer grows to
    // 32 MiB (net.ipv4.tcp_rmem), the sender's to 4 MiB.
    const Bytes data = RandomBytes(64 << 20, 1);
    Bytes received;
    UniqueHandle release = NewEvent();
    LoopbackPeer peer([&](SOCKET s) {
        // Read nothing for a while so that the sender's buffers fill up.
        WaitForSingleObject(release.get(), 10000);
        char buffer[65536];
        int n;
        while ((n = recv(s, buffer, sizeof buffer, 0)) > 0)
            received.insert(received.end(), buffer, buffer + n);
    });
    {
        Client client(peer.Port());
        const int length = static_cast<int>(data.size());
        const int stuck = SockSendAll(client.Socket(), data.data(), length, 300);
        EXPECT_LT(stuck, length) << "the peer reads nothing";
        EXPECT_EQ(SockGetLastError(), WSAETIMEDOUT);
        SetEvent(release.get());
        EXPECT_EQ(SockSendAll(client.Socket(), data.data() + stuck, length - stuck, 5000), length - stuck);
        shutdown(client.Socket(), SD_SEND);
    }
    peer.Join();
    EXPECT_EQ(received, data);
}

TEST(SocketLayer, ConnectFailsFastWhenRefusedAndAfterTheTimeOutWhenUnanswered) {
    SOCKET s = SockCreate(AF_INET, SOCK_STREAM, 0);
    DWORD start = GetTickCount();
    EXPECT_EQ(SockConnectHost(s, "127.0.0.1", ClosedPort(), 5000, 1), -1);
    EXPECT_EQ(SockGetLastError(), WSAECONNREFUSED);
    EXPECT_LT(GetTickCount() - start, 2000u);
    SockClose(s, 1);

    UnansweredPort silent;
    ASSERT_TRUE(silent.Filled()) << "the backlog never filled";
    s = SockCreate(AF_INET, SOCK_STREAM, 0);
    start = GetTickCount();
    EXPECT_EQ(SockConnectHost(s, "127.0.0.1", silent.Port(), 700, 1), -1);
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(SockGetLastError(), WSAETIMEDOUT);
    EXPECT_GE(elapsed, 650u);
    EXPECT_LT(elapsed, 3000u);
    SockClose(s, 1);
}

TEST(SocketLayer, ResolvesNames) {
    EXPECT_EQ(SockResolve("127.0.0.1", 1), htonl(INADDR_LOOPBACK));
    EXPECT_EQ(SockResolve("10.1.2.3", 0), inet_addr("10.1.2.3")) << "dotted text needs no look-up";
    EXPECT_EQ(SockResolve("localhost", 1), htonl(INADDR_LOOPBACK)) << "on the resolver thread";
    EXPECT_EQ(SockResolve("localhost", 0), htonl(INADDR_LOOPBACK));
    if (!LoopbackOnly())
        return;
    // The look-up's own code, not whatever an earlier call left: in a network
    // without a name server Wine reports WSATRY_AGAIN (Windows, asking a
    // server that knows the name is unknown, reports WSAHOST_NOT_FOUND).
    for (int useThread : {1, 0}) {
        SockSetLastError(WSAEWOULDBLOCK);
        EXPECT_EQ(SockResolve("no-such-host.invalid", useThread), INADDR_NONE);
        EXPECT_EQ(SockGetLastError(), WSATRY_AGAIN) << useThread;
    }
    SOCKET s = SockCreate(AF_INET, SOCK_STREAM, 0);
    SockSetLastError(WSAEWOULDBLOCK);
    EXPECT_EQ(SockConnectHost(s, "no-such-host.invalid", 80, 1000, 1), -1);
    EXPECT_EQ(SockGetLastError(), WSATRY_AGAIN);
    SockClose(s, 1);
}

TEST(SocketLayer, GracefulCloseThroughTheReader) {
    constexpr DWORD kPeerLingers = 400;
    std::string received;
    LoopbackPeer peer([&](SOCKET s) {
        char buffer[64];
        int n;
        while ((n = recv(s, buffer, sizeof buffer, 0)) > 0)
            received.append(buffer, static_cast<size_t>(n));
        // Our side has said it is done; its close must wait for ours.
        Sleep(kPeerLingers);
        SendText(s, "bye");
    });
    SOCKET s = SockCreate(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(SockConnectHost(s, "127.0.0.1", peer.Port(), 2000, 1), 0);
    ASSERT_EQ(SockSendAll(s, "hello", 5, 2000), 5);
    SockReader* reader = ReaderCreate(s, 64);
    ASSERT_NE(reader, nullptr);
    const DWORD start = GetTickCount();
    EXPECT_EQ(ReaderFree(reader, 1), INVALID_SOCKET) << "the socket is closed after the peer's last bytes";
    EXPECT_GE(GetTickCount() - start, kPeerLingers - 50) << "the drained reader waited for the peer to close";
    EXPECT_EQ(ReaderCreate(INVALID_SOCKET, 64), nullptr);
    peer.Join();
    EXPECT_EQ(received, "hello");
}
