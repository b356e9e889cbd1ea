// CTlsChannel: TLS over a connected socket of the socket layer, by the
// platform's SChannel. TLS 1.2 is the lowest version offered, 1.3 where the
// system has it; the server's certificate is checked by us
// (server_certificate) before a byte of the request goes out. Bytes
// received come out in plain text through Receive, which a SockReader takes
// as its source, so that everything read above it is unchanged.
#pragma once

// Windows Sockets before windows.h.
#include "download/socket_layer.h"

#include "download/server_certificate.h"
#include "framework/handles.h"

#include <string>
#include <vector>

enum TlsOutcome {
    TLS_OPEN = 0,        // handshake done, certificate accepted
    TLS_FAILED = 1,      // the connection broke, timed out or the server ended the handshake
    TLS_UNSUPPORTED = 2, // no protocol version both sides speak (a system without TLS 1.2, an old server)
    TLS_CERTIFICATE = 3, // the certificate was refused: see Certificate()
};

class CTlsChannel {
public:
    // socket: borrowed, connected to the server (or a tunnel to it).
    explicit CTlsChannel(SOCKET socket);
    // Sends close_notify when the channel is open.
    ~CTlsChannel();
    CTlsChannel(const CTlsChannel&) = delete;
    CTlsChannel& operator=(const CTlsChannel&) = delete;

    TlsOutcome Open(const std::string& host, int sendMs, int recvMs);
    CertificateVerdict Certificate() const { return m_nCertificate; }

    // As SockRecvTimeout: plain bytes (> 0); 0 once the server sent
    // close_notify or the connection ended between records; -1 on a broken
    // or cut record, a failed renegotiation or a time-out.
    int Receive(char* buffer, int length, int ms);
    // As SockSendAll: the plain bytes sent, less than length on failure.
    int SendAll(const char* data, int length, int ms);
    // The reader's source over this channel (context: the channel).
    static int ReceiveSource(void* context, char* buffer, int length, int ms);

private:
    TlsOutcome Handshake(int sendMs, int recvMs);
    bool SendToken(const SecBuffer& token, int ms);
    int ReceiveMore(int ms);
    void KeepExtra(const SecBuffer* buffers, int count);
    void Shutdown();

    SOCKET m_hSocket; // borrowed
    std::string m_strHost;
    UniqueCredentials m_credentials;
    UniqueSecurityContext m_context;
    SecPkgContext_StreamSizes m_sizes{};
    bool m_bOpen = false;
    bool m_bClosed = false; // close_notify received
    CertificateVerdict m_nCertificate = CERT_ACCEPTED;
    // Records as received: [m_nInStart, m_nInStart + m_nInLength) not yet decrypted.
    std::vector<char> m_in;
    size_t m_nInStart = 0;
    size_t m_nInLength = 0;
    // Plain text of the last record decrypted (inside m_in) not yet handed out.
    const char* m_pPlain = nullptr;
    size_t m_nPlainLength = 0;
    std::vector<char> m_out; // one record being sent
};
