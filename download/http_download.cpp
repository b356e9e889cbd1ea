#include "download/http_download.h"

#include "download/file_times.h"
#include "download/socks.h"
#include "download/temp_file.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

// Line pieces of the response header: at most 1023 bytes per read.
constexpr int kHeaderLineBuffer = 1024;
// ApplyRetryPolicy's answer when the request is to be made again.
constexpr int kRetryAgain = -1;

// What a refused certificate ends the download with.
int RefusalOf(CertificateVerdict verdict) {
    switch (verdict) {
    case CERT_WRONG_NAME:
        return DL_CERT_WRONG_NAME;
    case CERT_EXPIRED:
        return DL_CERT_EXPIRED;
    case CERT_REVOKED:
        return DL_CERT_REVOKED;
    default:
        return DL_CERT_UNTRUSTED;
    }
}

// Size of a file, or -1 when its status cannot be read.
int64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return static_cast<int64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

// The last segment of the object path: after its last "/", else after its
// last backslash, else the whole of it.
std::string FileNameOf(const std::string& object) {
    if (object.size() <= 1)
        return object;
    size_t cut = object.rfind('/');
    if (cut == std::string::npos)
        cut = object.rfind('\\');
    return cut == std::string::npos ? object : object.substr(cut + 1);
}

} // namespace

CHttpDownload::CHttpDownload() = default;

CHttpDownload::~CHttpDownload() {
    CloseConnection();
}

void CHttpDownload::SetNotify(HWND window, UINT message, int enable) {
    if (enable && window != nullptr && IsWindow(window)) {
        m_hNotifyWnd = window;
        m_nNotifyMsg = message;
        m_bNotify = 1;
    } else {
        m_hNotifyWnd = nullptr;
        m_nNotifyMsg = 0;
        m_bNotify = 0;
    }
}

bool CHttpDownload::OpenConnection() {
    CloseConnection();
    m_hSocket = SockCreate(PeerFamily(), SOCK_STREAM, 0);
    if (m_hSocket == INVALID_SOCKET)
        return false;
    m_pReader = ReaderCreate(m_hSocket, kChunkSize);
    return m_pReader != nullptr;
}

// The address family of what the connection reaches first: the proxy, if any.
int CHttpDownload::PeerFamily() const {
    return SockFamilyOf(m_nProxyKind == PROXY_NONE ? m_strHost.c_str() : m_strProxyHost.c_str());
}

void CHttpDownload::CloseConnection() {
    // close_notify goes out while the socket is still open.
    m_pTls.reset();
    if (m_pReader != nullptr) {
        ReaderFree(m_pReader, 0);
        m_pReader = nullptr;
    }
    if (m_hSocket != INVALID_SOCKET) {
        SockClose(m_hSocket, 1);
        m_hSocket = INVALID_SOCKET;
    }
}

int CHttpDownload::Download(const char* url, const char* localPath, int force) {
    // The socket waits of this thread see a stop too.
    SockWatchStop(&m_bStop);
    int result = DL_NET_ERROR;
    // Nothing may leave Download but a result; running out of memory is
    // the only way to get here.
    try {
        result = RunDownload(url, localPath, force);
    } catch (...) {
    }
    SockWatchStop(nullptr);
    return result;
}

int CHttpDownload::RunDownload(const char* url, const char* localPath, int force) {
    m_bForce = force;
    m_nRetryCount = 0;

    m_strUrl = TrimWhiteSpace(url != nullptr ? url : "");
    if (m_strUrl.empty())
        return DL_NO_URL;
    if (!ParseUrl(m_strUrl, m_strHost, m_strObject, m_nPort, &m_bSecure)) {
        m_strUrl = "http://" + m_strUrl;
        if (!ParseUrl(m_strUrl, m_strHost, m_strObject, m_nPort, &m_bSecure))
            return DL_BAD_URL;
    }
    // The request line through a proxy and a later Referer line carry the URL.
    m_strUrl = UrlWithoutFragment(m_strUrl);
    m_strLocalPath = TrimWhiteSpace(localPath != nullptr ? localPath : "");
    if (m_strLocalPath.empty())
        return DL_NO_PATH;
    m_strTempPath = m_strLocalPath + ".down";
    m_strAuthHost = m_strHost;
    m_nAuthPort = m_nPort;
    m_bTempFromThisCall = false;

    bool firstNotification = true;
    m_nReceived = 0;
    m_nDone = 0;
    m_nTotal = 0;
    m_nContentLength = 0;
    int32_t mostDone = 0;
    int idleTransfers = 0;
    std::vector<char> chunk(kChunkSize);

    for (;;) {
        const int request = SendRequest(0);
        if (request == REQ_STOPPED)
            return DL_STOPPED;
        if (request == REQ_REFUSED)
            return m_nRefusal;
        if (request == REQ_FAILED) {
            const int retry = ApplyRetryPolicy();
            if (retry != kRetryAgain)
                return retry;
            continue;
        }
        // An answer that continues the temporary file with nothing found it complete.
        if (m_nContentLength == 0 && !m_bAppend)
            return DL_EMPTY;
        if (m_nSizeLimit != 0 && static_cast<uint32_t>(m_nTotal) > m_nSizeLimit)
            return DL_TOO_LARGE;
        if (!m_bForce && TargetIsCurrent())
            return DL_CURRENT;

        CTempFile file;
        if (!file.Open(m_strTempPath))
            return DL_FILE_OPEN;
        // The file may have been removed or replaced since the request named its size.
        bool broken = false;
        if (m_bAppend) {
            const int64_t size = file.SeekToEnd();
            if (size < 0)
                return DL_FILE_SEEK;
            broken = size != m_nDone;
        } else if (!file.Truncate()) {
            // A body written from the start must not keep older, longer contents behind it.
            return DL_FILE_SEEK;
        }
        const int32_t doneBefore = std::max(mostDone, m_nDone);
        m_nReceived = 0;
        m_bTempFromThisCall = !broken;
        if (!broken) {
            file.KeepAs(m_timeValidator);
            m_strFileName = FileNameOf(m_strObject);
            if (firstNotification && m_bNotify) {
                Notify(PROGRESS_STARTED);
                Notify(PROGRESS_OPENED);
                Notify(PROGRESS_CHUNK);
                firstNotification = false;
            }
        }

        // Never more than Content-Length: extra bytes of a misbehaving server are dropped.
        while (!broken && m_nReceived < static_cast<uint32_t>(m_nContentLength)) {
            if (m_bStop)
                return DL_STOPPED;
            const uint32_t wanted = std::min<uint32_t>(kChunkSize, m_nContentLength - m_nReceived);
            const int n = ReaderRead(m_pReader, chunk.data(), static_cast<int>(wanted), m_nRecvTimeout);
            if (n <= 0) {
                broken = true;
                break;
            }
            // A failed write fails again on the next request (a full disk); the
            // file keeps what it got, to be continued later.
            if (!file.Write(chunk.data(), n))
                return DL_FILE_SEEK;
            m_nReceived += n;
            m_nDone += n;
            if (m_bNotify)
                Notify(PROGRESS_CHUNK);
        }
        file.Close();
        if (!broken)
            return FinishFile();

        // Resume with a new request, but not forever when nothing new arrives.
        if (m_nDone > doneBefore)
            idleTransfers = 0;
        else if (++idleTransfers >= kMaxIdleTransfers)
            return DL_NET_ERROR;
        mostDone = std::max(doneBefore, m_nDone);
    }
}

int CHttpDownload::ApplyRetryPolicy() {
    if (m_bStop)
        return DL_STOPPED;
    switch (m_nRetryMode) {
    case RETRY_NONE:
        return DL_NET_ERROR;
    case RETRY_LIMITED:
        if (m_nRetryCount > m_nRetryLimit)
            return DL_RETRY_LIMIT;
        ++m_nRetryCount;
        break;
    case RETRY_ALWAYS:
        break;
    default:
        return DL_BAD_RETRY_MODE;
    }
    if (m_nRetryDelay != 0)
        Sleep(m_nRetryDelay);
    return kRetryAgain;
}

bool CHttpDownload::TargetIsCurrent() const {
    const int64_t modified = LastWriteSeconds(m_strLocalPath);
    if (modified < 0)
        return false;
    const int64_t skew = modified - m_timeLastModified;
    return FileSize(m_strLocalPath) == m_nTotal && skew >= -kCurrentTimeSlack && skew <= kCurrentTimeSlack;
}

bool CHttpDownload::TempFileContinues(HttpTime& validator) const {
    const int64_t stamp = LastWriteSeconds(m_strTempPath);
    if (stamp >= kOldestValidator && stamp <= static_cast<int64_t>(std::time(nullptr))) {
        validator = static_cast<HttpTime>(stamp);
        return true;
    }
    // Without a validator only bytes of this call's own answer are continued.
    validator = kNoValidator;
    return m_bTempFromThisCall;
}

void CHttpDownload::TakeValidator(const ResponseFacts& facts, HttpTime askedWith) {
    // A partial answer need not repeat Last-Modified; the If-Range it answered names it.
    m_timeValidator = facts.hasLastModified ? facts.lastModified : askedWith;
    m_timeLastModified = m_timeValidator != kNoValidator ? m_timeValidator : facts.lastModified;
}

bool CHttpDownload::CredentialsGoHere() const {
    return _stricmp(m_strHost.c_str(), m_strAuthHost.c_str()) == 0 && m_nPort == m_nAuthPort;
}

int CHttpDownload::FinishFile() {
    CloseConnection();
    if (!MoveFileExA(m_strTempPath.c_str(), m_strLocalPath.c_str(), MOVEFILE_REPLACE_EXISTING))
        return DL_FILE_RENAME;
    // The file carries the server's modification time; a failure here is harmless.
    SetLastWriteSeconds(m_strLocalPath, m_timeLastModified);
    return DL_OK;
}

void CHttpDownload::Notify(int kind) {
    DownloadProgress progress{kind, m_nTotal, m_nDone, m_strFileName};
    m_pProgressSent = &progress;
    SendMessageA(m_hNotifyWnd, m_nNotifyMsg, 2, reinterpret_cast<LPARAM>(&progress));
    m_pProgressSent = nullptr;
}

// The server reached over the route the settings name, and for https the
// TLS channel opened over it, the certificate checked.
int CHttpDownload::ReachServer() {
    const int routed = OpenRoute();
    if (routed != REQ_OK || !m_bSecure)
        return routed;
    if (m_nProxyKind == PROXY_HTTP) {
        const int tunnel = OpenProxyTunnel();
        if (tunnel != REQ_OK)
            return tunnel;
    }
    return StartTls();
}

int CHttpDownload::OpenRoute() {
    switch (m_nProxyKind) {
    case PROXY_NONE:
        return SockConnectHost(m_hSocket, m_strHost.c_str(), m_nPort, m_nConnectTimeout, 1) == 0 ? REQ_OK
                                                                                                 : REQ_FAILED;
    case PROXY_HTTP:
        return SockConnectHost(m_hSocket, m_strProxyHost.c_str(), m_nProxyPort, m_nConnectTimeout, 1) == 0
                   ? REQ_OK
                   : REQ_FAILED;
    case PROXY_SOCKS4:
    case PROXY_SOCKS4A:
    case PROXY_SOCKS5: {
        SocksTunnel tunnel;
        tunnel.version = m_nProxyKind == PROXY_SOCKS4    ? SOCKS_VERSION_4
                         : m_nProxyKind == PROXY_SOCKS4A ? SOCKS_VERSION_4A
                                                         : SOCKS_VERSION_5;
        tunnel.proxyHost = m_strProxyHost;
        tunnel.proxyPort = m_nProxyPort;
        tunnel.host = m_strHost;
        tunnel.port = m_nPort;
        tunnel.auth = m_bProxyAuth != 0;
        tunnel.user = m_strProxyUser;
        tunnel.password = m_strProxyPassword;
        tunnel.connectMs = m_nConnectTimeout;
        tunnel.sendMs = m_nSendTimeout;
        tunnel.recvMs = m_nRecvTimeout;
        const SocksOutcome outcome = SocksOpenTunnel(m_hSocket, m_pReader, tunnel);
        return outcome == SOCKS_OPEN ? REQ_OK : outcome == SOCKS_REFUSED ? REQ_REFUSED : REQ_FAILED;
    }
    default:
        return REQ_REFUSED;
    }
}

// An HTTP proxy carries https through a tunnel it opens with CONNECT; its
// answer is judged as the answer to a request through it would be.
int CHttpDownload::OpenProxyTunnel() {
    const std::string credentials = m_bProxyAuth ? m_strProxyUser + ":" + m_strProxyPassword : "";
    if (!SendText(BuildConnectText(m_strHost, m_nPort, credentials)))
        return REQ_FAILED;
    const int headerRead = ReadHeader(m_strHeader);
    m_nHeaderLength = static_cast<int32_t>(m_strHeader.size());
    if (headerRead != REQ_OK)
        return headerRead;
    ResponseFacts facts;
    JudgeResponseHeader(m_strHeader, facts);
    if (facts.status >= 500)
        return REQ_FAILED;
    // Nothing may come through the tunnel before our own handshake.
    return facts.status >= 200 && facts.status <= 299 && m_pReader->count == 0 ? REQ_OK : REQ_REFUSED;
}

int CHttpDownload::StartTls() {
    if (m_pReader->count != 0)
        return REQ_REFUSED;
    m_pTls = std::make_unique<CTlsChannel>(m_hSocket);
    switch (m_pTls->Open(m_strHost, m_nSendTimeout, m_nRecvTimeout)) {
    case TLS_OPEN:
        ReaderSetSource(m_pReader, CTlsChannel::ReceiveSource, m_pTls.get());
        return REQ_OK;
    case TLS_UNSUPPORTED:
        m_nRefusal = DL_TLS_UNSUPPORTED;
        return REQ_REFUSED;
    case TLS_CERTIFICATE:
        m_nRefusal = RefusalOf(m_pTls->Certificate());
        return REQ_REFUSED;
    default:
        return REQ_FAILED;
    }
}

bool CHttpDownload::SendText(const std::string& text) {
    const int length = static_cast<int>(text.size());
    const int sent = m_pTls ? m_pTls->SendAll(text.data(), length, m_nSendTimeout)
                            : SockSendAll(m_hSocket, text.data(), length, m_nSendTimeout);
    return sent == length;
}

int CHttpDownload::ReadHeader(std::string& header) {
    header.clear();
    char line[kHeaderLineBuffer];
    bool lineGoesOn = false;
    for (;;) {
        int state = 0;
        const int length = ReaderGetLine(m_pReader, line, sizeof line, &state, m_nRecvTimeout);
        if (length < 0)
            return REQ_FAILED;
        // An empty piece right after a full buffer only ends the long line.
        if (state == 0 && length == 0 && !lineGoesOn)
            return REQ_OK;
        // Every byte, a NUL too: the judgement refuses what is not text.
        header.append(line, static_cast<size_t>(length));
        if (state == 0)
            header += "\r\n";
        lineGoesOn = state == 1;
        if (header.size() > kMaxHeaderBytes)
            return REQ_REFUSED;
    }
}

int CHttpDownload::SendRequest(int head) {
    const std::string method = head ? "HEAD " : "GET ";
    int redirects = 0;
    int sendTimeouts = 0;
    // The temporary file was found of no use: the whole file is asked for.
    bool fromStart = false;
    for (;;) {
        m_nRefusal = DL_REFUSED;
        m_nDone = 0;
        m_nContentLength = 0;
        m_strHeader.clear();
        m_nHeaderLength = 0;
        if (!OpenConnection())
            return REQ_REFUSED;
        if (m_bStop)
            return REQ_STOPPED;
        const int reached = ReachServer();
        if (reached != REQ_OK)
            return reached;
        if (m_bStop)
            return REQ_STOPPED;

        RequestLines lines;
        lines.method = method;
        // Through an HTTP proxy the whole URL, unless https tunnels through it.
        const bool proxyReads = m_nProxyKind == PROXY_HTTP && !m_bSecure;
        lines.target = proxyReads ? m_strUrl : m_strObject;
        lines.host = m_strHost;
        lines.port = m_nPort;
        lines.schemePort = m_bSecure ? kHttpsPort : kHttpPort;
        lines.userAgent = m_strUserAgent;
        lines.referer = m_strReferer;
        // Credentials are for the server they were set for, not for where it redirects.
        if (m_bAuth && CredentialsGoHere())
            lines.authBasic = m_strUser + ":" + m_strPassword;
        if (proxyReads && m_bProxyAuth)
            lines.proxyAuthBasic = m_strProxyUser + ":" + m_strProxyPassword;
        const int64_t tempSize = m_bForce || fromStart ? -1 : FileSize(m_strTempPath);
        if (tempSize > INT32_MAX)
            return REQ_REFUSED;
        HttpTime validator = kNoValidator;
        if (tempSize > 0 && TempFileContinues(validator)) {
            m_nDone = static_cast<int32_t>(tempSize);
            lines.rangeFrom = tempSize;
            if (validator != kNoValidator)
                lines.ifRange = FormatHttpDate(validator);
        }
        if (!SendText(BuildRequestText(lines))) {
            if (SockGetLastError() == WSAETIMEDOUT && ++sendTimeouts < kMaxSendTimeouts)
                continue;
            return REQ_FAILED;
        }
        if (m_bStop)
            return REQ_STOPPED;

        const int headerRead = ReadHeader(m_strHeader);
        m_nHeaderLength = static_cast<int32_t>(m_strHeader.size());
        if (headerRead != REQ_OK)
            return headerRead;

        ResponseFacts facts;
        const int verdict = ParseResponseHeader(m_strHeader, facts);
        const bool rangeSent = lines.rangeFrom > 0;
        // A Last-Modified other than the one If-Range named shows a server that
        // ignored the condition: its range is of another version.
        const bool otherVersion =
            !lines.ifRange.empty() && facts.hasLastModified && facts.lastModified != validator;
        if (rangeSent && (facts.status == 206 || facts.status == 416)) {
            if (facts.status == 416 && !otherVersion && facts.rangeComplete == tempSize) {
                // Nothing lies beyond the temporary file: it holds the whole file.
                TakeValidator(facts, validator);
                m_bAppend = 1;
                m_nTotal = m_nDone;
                return REQ_OK;
            }
            // A partial answer that does not carry exactly the rest (starting
            // elsewhere, without Content-Range, transfer-coded) cannot be
            // appended, and would be answered alike on every later request.
            const bool unfit =
                facts.status == 206 && (facts.transferCoded || !PartialAnswerFits(facts, lines.rangeFrom));
            if (facts.status == 416 || otherVersion || unfit) {
                // The temporary file does not continue into this answer (longer,
                // another version, an unfit part): it is dropped and the whole
                // file asked for, once.
                DeleteFileA(m_strTempPath.c_str());
                m_bTempFromThisCall = false;
                fromStart = true;
                continue;
            }
        }
        switch (verdict) {
        case VERDICT_ACCEPTED: {
            // A partial answer must start where we asked and run to the end of the file.
            if (facts.status == 206 && !PartialAnswerFits(facts, rangeSent ? lines.rangeFrom : 0))
                return REQ_REFUSED;
            m_nContentLength = facts.contentLength;
            if (rangeSent && facts.status == 206) {
                if (static_cast<int64_t>(m_nDone) + facts.contentLength > INT32_MAX)
                    return REQ_REFUSED;
                TakeValidator(facts, validator);
                m_bAppend = 1;
                m_nTotal = m_nDone + facts.contentLength;
            } else {
                TakeValidator(facts, kNoValidator);
                m_bAppend = 0;
                m_nDone = 0;
                m_nTotal = facts.contentLength;
            }
            return REQ_OK;
        }
        case VERDICT_SERVER_ERROR:
            return REQ_FAILED;
        case VERDICT_REDIRECT:
            if (++redirects > kMaxRedirects)
                return REQ_REFUSED;
            continue;
        default:
            return REQ_REFUSED;
        }
    }
}

int CHttpDownload::ParseResponseHeader(const std::string& header, ResponseFacts& facts) {
    const HeaderVerdict verdict = JudgeResponseHeader(header, facts);
    if (!facts.hasLastModified)
        facts.lastModified = static_cast<HttpTime>(std::time(nullptr));
    if (verdict != VERDICT_REDIRECT)
        return verdict;
    std::string newUrl, host, object;
    uint16_t port = 0;
    bool secure = false;
    if (!ResolveRedirect(m_strUrl, facts.location, newUrl) || !ParseUrl(newUrl, host, object, port, &secure))
        return VERDICT_REFUSED;
    // What began over TLS never goes on in the clear.
    if (m_bSecure && !secure) {
        m_nRefusal = DL_INSECURE_REDIRECT;
        return VERDICT_REFUSED;
    }
    m_strReferer = m_strUrl;
    m_strUrl = newUrl;
    m_strHost = host;
    m_strObject = object;
    m_nPort = port;
    m_bSecure = secure;
    return VERDICT_REDIRECT;
}
