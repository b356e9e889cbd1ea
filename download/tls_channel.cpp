#include "download/tls_channel.h"

// The newer credentials (SCH_CREDENTIALS) are declared only with this.
#define SCHANNEL_USE_BLACKLISTS
#include <subauth.h>
#include <schannel.h>

#include <algorithm>
#include <cstring>

namespace {

// What the context is asked to be; the certificate is ours to check.
constexpr ULONG kContextRequest = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                  ISC_REQ_EXTENDED_ERROR | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                                  ISC_REQ_MANUAL_CRED_VALIDATION;
// Records the receive buffer holds once the channel is open: one receive
// can bring several, so that the network is asked less often.
constexpr size_t kRecordsPerReceive = 4;
// Largest handshake flight accepted (a certificate chain, in pieces).
constexpr size_t kMaxHandshakeBytes = 1024 * 1024;
// The buffer's first size, for the handshake.
constexpr size_t kHandshakeBuffer = 16 * 1024 + 512;

// TLS record bytes: content types, the handshake type ServerHello, alerts.
constexpr unsigned char kRecordAlert = 21;
constexpr unsigned char kRecordHandshake = 22;
constexpr unsigned char kServerHello = 2;
constexpr unsigned char kAlertProtocolVersion = 70;
constexpr unsigned kTls12 = 0x0303;

// Whether what the server sent during the handshake says that it speaks no
// version we offer: its hello chooses one below TLS 1.2, or it answers
// with the alert protocol_version. (Windows reports this as an algorithm
// mismatch; Wine only as an internal error.)
bool ServerRefusesOurVersions(const char* data, size_t length) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    if (length >= 7 && bytes[0] == kRecordAlert)
        return bytes[6] == kAlertProtocolVersion;
    return length >= 11 && bytes[0] == kRecordHandshake && bytes[5] == kServerHello &&
           (static_cast<unsigned>(bytes[9]) << 8 | bytes[10]) < kTls12;
}

bool IsUnsupported(SECURITY_STATUS status) {
    return status == SEC_E_ALGORITHM_MISMATCH || status == SEC_E_UNSUPPORTED_FUNCTION;
}

const SecBuffer* FindBuffer(const SecBuffer* buffers, int count, ULONG type) {
    for (int i = 0; i < count; ++i) {
        if (buffers[i].BufferType == type)
            return &buffers[i];
    }
    return nullptr;
}

} // namespace

CTlsChannel::CTlsChannel(SOCKET socket) : m_hSocket(socket), m_in(kHandshakeBuffer) {}

CTlsChannel::~CTlsChannel() {
    if (m_bOpen)
        Shutdown();
}

TlsOutcome CTlsChannel::Open(const std::string& host, int sendMs, int recvMs) {
    m_strHost = host;
    const DWORD flags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;
    TimeStamp expiry;
    // TLS 1.2 at the least, 1.3 where the system has it. Only the newer
    // credentials (Windows 10 1809 and later) reach TLS 1.3; older systems
    // refuse them and take the classic ones, where TLS 1.2 is the one
    // version asked for.
    TLS_PARAMETERS versions{};
    versions.grbitDisabledProtocols =
        SP_PROT_SSL2_CLIENT | SP_PROT_SSL3_CLIENT | SP_PROT_TLS1_0_CLIENT | SP_PROT_TLS1_1_CLIENT;
    SCH_CREDENTIALS settings{};
    settings.dwVersion = SCH_CREDENTIALS_VERSION;
    settings.dwFlags = flags;
    settings.cTlsParameters = 1;
    settings.pTlsParameters = &versions;
    SECURITY_STATUS status =
        AcquireCredentialsHandleA(nullptr, const_cast<char*>(UNISP_NAME_A), SECPKG_CRED_OUTBOUND, nullptr,
                                  &settings, nullptr, nullptr, m_credentials.receive(), &expiry);
    if (status != SEC_E_OK) {
        SCHANNEL_CRED classic{};
        classic.dwVersion = SCHANNEL_CRED_VERSION;
        classic.dwFlags = flags;
        classic.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
        status = AcquireCredentialsHandleA(nullptr, const_cast<char*>(UNISP_NAME_A), SECPKG_CRED_OUTBOUND,
                                           nullptr, &classic, nullptr, nullptr, m_credentials.receive(), &expiry);
    }
    if (status != SEC_E_OK) {
        SockSetLastError(status);
        return TLS_UNSUPPORTED;
    }
    const TlsOutcome handshake = Handshake(sendMs, recvMs);
    if (handshake != TLS_OPEN)
        return handshake;
    m_bOpen = true;
    return TLS_OPEN;
}

// The handshake, from its start or from a server's request to renegotiate,
// and the certificate check. A renegotiation first hands SChannel what m_in
// holds, maybe nothing: it answers a request with its own hello, and takes
// what TLS 1.3 sends after the handshake (a session ticket) without more.
TlsOutcome CTlsChannel::Handshake(int sendMs, int recvMs) {
    bool needInput = false;
    bool certificateAsked = false;
    for (;;) {
        if (needInput) {
            const int n = ReceiveMore(recvMs);
            if (n <= 0)
                return TLS_FAILED;
        }
        SecBuffer in[2] = {{static_cast<ULONG>(m_nInLength), SECBUFFER_TOKEN, m_in.data() + m_nInStart},
                           {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc inDesc{SECBUFFER_VERSION, 2, in};
        SecBuffer out{0, SECBUFFER_TOKEN, nullptr};
        SecBufferDesc outDesc{SECBUFFER_VERSION, 1, &out};
        ULONG attributes = 0;
        const bool first = !m_context;
        const PSecHandle context = first ? nullptr : m_context.get();
        const SECURITY_STATUS status =
            InitializeSecurityContextA(m_credentials.get(), context, const_cast<char*>(m_strHost.c_str()),
                                       kContextRequest, 0, 0, first ? nullptr : &inDesc, 0,
                                       first ? m_context.receive() : context, &outDesc, &attributes, nullptr);
        UniqueContextBuffer token(out.pvBuffer);
        // A token goes out on failure too: the alert that tells the server why.
        if (out.cbBuffer > 0 && out.pvBuffer != nullptr && !SendToken(out, sendMs))
            return TLS_FAILED;
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            needInput = true;
            continue;
        }
        if (status == SEC_I_INCOMPLETE_CREDENTIALS && !certificateAsked) {
            // The server asks for a certificate of ours; we go on without.
            certificateAsked = true;
            needInput = false;
            continue;
        }
        if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED) {
            SockSetLastError(status);
            const bool unsupported =
                IsUnsupported(status) || ServerRefusesOurVersions(m_in.data() + m_nInStart, m_nInLength);
            return unsupported ? TLS_UNSUPPORTED : TLS_FAILED;
        }
        if (!first)
            KeepExtra(in, 2);
        if (status == SEC_I_CONTINUE_NEEDED) {
            needInput = m_nInLength == 0;
            continue;
        }
        break;
    }
    // The version agreed is checked too: a system may take the versions
    // asked for as a wish (Wine ignores those of the newer credentials).
    SecPkgContext_ConnectionInfo connection{};
    if (QueryContextAttributesA(m_context.get(), SECPKG_ATTR_CONNECTION_INFO, &connection) != SEC_E_OK)
        return TLS_FAILED;
    if ((connection.dwProtocol & (SP_PROT_TLS1_2 | SP_PROT_TLS1_3)) == 0) {
        SockSetLastError(SEC_E_UNSUPPORTED_FUNCTION);
        return TLS_UNSUPPORTED;
    }
    if (QueryContextAttributesA(m_context.get(), SECPKG_ATTR_STREAM_SIZES, &m_sizes) != SEC_E_OK)
        return TLS_FAILED;
    const size_t record = m_sizes.cbHeader + m_sizes.cbMaximumMessage + m_sizes.cbTrailer;
    if (m_in.size() < record * kRecordsPerReceive)
        m_in.resize(record * kRecordsPerReceive);

    PCCERT_CONTEXT presented = nullptr;
    if (QueryContextAttributesA(m_context.get(), SECPKG_ATTR_REMOTE_CERT_CONTEXT, &presented) != SEC_E_OK)
        presented = nullptr;
    UniqueCertContext certificate(presented);
    m_nCertificate = CheckServerCertificate(certificate.get(), m_strHost, recvMs);
    return m_nCertificate == CERT_ACCEPTED ? TLS_OPEN : TLS_CERTIFICATE;
}

bool CTlsChannel::SendToken(const SecBuffer& token, int ms) {
    const int length = static_cast<int>(token.cbBuffer);
    return SockSendAll(m_hSocket, static_cast<const char*>(token.pvBuffer), length, ms) == length;
}

// Receives once more after what m_in holds, moved to its start first and
// the buffer grown while a handshake message does not fit.
int CTlsChannel::ReceiveMore(int ms) {
    if (m_nInStart > 0) {
        std::memmove(m_in.data(), m_in.data() + m_nInStart, m_nInLength);
        m_nInStart = 0;
    }
    if (m_nInLength == m_in.size()) {
        if (m_in.size() >= kMaxHandshakeBytes)
            return -1;
        m_in.resize(m_in.size() * 2);
    }
    const int n = SockRecvTimeout(m_hSocket, m_in.data() + m_nInLength,
                                  static_cast<int>(m_in.size() - m_nInLength), ms);
    if (n > 0)
        m_nInLength += static_cast<size_t>(n);
    return n;
}

// After a call that took m_in as its input: what it left (SECBUFFER_EXTRA,
// the last bytes of the input) stays for the next call.
void CTlsChannel::KeepExtra(const SecBuffer* buffers, int count) {
    const SecBuffer* extra = FindBuffer(buffers, count, SECBUFFER_EXTRA);
    const size_t left = extra != nullptr ? std::min<size_t>(extra->cbBuffer, m_nInLength) : 0;
    m_nInStart = left > 0 ? m_nInStart + m_nInLength - left : 0;
    m_nInLength = left;
}

int CTlsChannel::Receive(char* buffer, int length, int ms) {
    for (;;) {
        if (m_nPlainLength > 0) {
            const size_t n = std::min(m_nPlainLength, static_cast<size_t>(length));
            std::memcpy(buffer, m_pPlain, n);
            m_pPlain += n;
            m_nPlainLength -= n;
            return static_cast<int>(n);
        }
        if (m_bClosed)
            return 0;
        if (m_nInLength > 0) {
            SecBuffer buffers[4] = {
                {static_cast<ULONG>(m_nInLength), SECBUFFER_DATA, m_in.data() + m_nInStart},
                {0, SECBUFFER_EMPTY, nullptr},
                {0, SECBUFFER_EMPTY, nullptr},
                {0, SECBUFFER_EMPTY, nullptr}};
            SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
            const SECURITY_STATUS status = DecryptMessage(m_context.get(), &message, 0, nullptr);
            if (status == SEC_E_OK || status == SEC_I_CONTEXT_EXPIRED || status == SEC_I_RENEGOTIATE) {
                // The plain text lies inside the record just decrypted, before what follows it.
                const SecBuffer* plain = FindBuffer(buffers, 4, SECBUFFER_DATA);
                m_pPlain = plain != nullptr ? static_cast<const char*>(plain->pvBuffer) : nullptr;
                m_nPlainLength = m_pPlain != nullptr ? plain->cbBuffer : 0;
                KeepExtra(buffers, 4);
                // close_notify: the server has said all it will.
                if (status == SEC_I_CONTEXT_EXPIRED)
                    m_bClosed = true;
                // The server wants a new handshake: answered, and its certificate checked again.
                if (status == SEC_I_RENEGOTIATE && Handshake(ms, ms) != TLS_OPEN)
                    return -1;
                continue;
            }
            if (status != SEC_E_INCOMPLETE_MESSAGE) {
                SockSetLastError(status);
                return -1;
            }
        }
        // The connection ending inside a record cuts it: not an end, a failure.
        const int n = ReceiveMore(ms);
        if (n == 0 && m_nInLength > 0)
            return -1;
        if (n <= 0)
            return n;
    }
}

int CTlsChannel::SendAll(const char* data, int length, int ms) {
    int sent = 0;
    while (sent < length) {
        const ULONG piece = std::min<ULONG>(static_cast<ULONG>(length - sent), m_sizes.cbMaximumMessage);
        m_out.resize(m_sizes.cbHeader + piece + m_sizes.cbTrailer);
        char* record = m_out.data();
        std::memcpy(record + m_sizes.cbHeader, data + sent, piece);
        SecBuffer buffers[4] = {
            {m_sizes.cbHeader, SECBUFFER_STREAM_HEADER, record},
            {piece, SECBUFFER_DATA, record + m_sizes.cbHeader},
            {m_sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, record + m_sizes.cbHeader + piece},
            {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
        const SECURITY_STATUS status = EncryptMessage(m_context.get(), 0, &message, 0);
        if (status != SEC_E_OK) {
            SockSetLastError(status);
            break;
        }
        const int total = static_cast<int>(buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
        if (SockSendAll(m_hSocket, record, total, ms) < total)
            break;
        sent += static_cast<int>(piece);
    }
    return sent;
}

int CTlsChannel::ReceiveSource(void* context, char* buffer, int length, int ms) {
    return static_cast<CTlsChannel*>(context)->Receive(buffer, length, ms);
}

// close_notify, tried once without waiting: the connection is closed right after.
void CTlsChannel::Shutdown() {
    DWORD type = SCHANNEL_SHUTDOWN;
    SecBuffer control{sizeof type, SECBUFFER_TOKEN, &type};
    SecBufferDesc controlDesc{SECBUFFER_VERSION, 1, &control};
    if (ApplyControlToken(m_context.get(), &controlDesc) != SEC_E_OK)
        return;
    SecBuffer out{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc outDesc{SECBUFFER_VERSION, 1, &out};
    ULONG attributes = 0;
    const SECURITY_STATUS status = InitializeSecurityContextA(
        m_credentials.get(), m_context.get(), const_cast<char*>(m_strHost.c_str()), kContextRequest, 0, 0,
        nullptr, 0, m_context.get(), &outDesc, &attributes, nullptr);
    UniqueContextBuffer token(out.pvBuffer);
    if ((status == SEC_E_OK || status == SEC_I_CONTEXT_EXPIRED) && out.cbBuffer > 0 &&
        out.pvBuffer != nullptr)
        SockSend(m_hSocket, static_cast<const char*>(out.pvBuffer), static_cast<int>(out.cbBuffer));
}
