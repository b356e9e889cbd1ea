// The updater's HTTP/1.1 downloader: fetches one file into a ".down"
// temporary file beside the target, resumes it with Range requests, retries
// failed requests by policy, follows redirects, goes direct or through an
// HTTP or SOCKS proxy, reports progress by SendMessageA and moves the
// complete file into place.
#pragma once

#include "download/http_parse.h"
#include "download/socket_layer.h"
#include "download/tls_channel.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

enum ProxyKind {
    PROXY_NONE = 0,
    PROXY_HTTP = 1,
    PROXY_SOCKS4 = 3,
    PROXY_SOCKS4A = 4,
    PROXY_SOCKS5 = 5,
};

enum RetryMode {
    RETRY_NONE = 0,
    RETRY_LIMITED = 1,
    RETRY_ALWAYS = 2,
};

enum RequestResult {
    REQ_OK = 0,      // header accepted, the body follows on the connection
    REQ_FAILED = 1,  // connect, proxy, send or receive failure, or status 5xx
    REQ_STOPPED = 2, // m_bStop found set
    REQ_REFUSED = 3, // unusable setting or answer, status 4xx, too many redirects
};

enum DownloadResult {
    DL_OK = 0,
    DL_CURRENT = 1,
    DL_STOPPED = 2,
    DL_NO_URL = 3,
    DL_BAD_URL = 4,
    DL_NO_PATH = 5,
    DL_REFUSED = 6,
    DL_NET_ERROR = 7,
    DL_RETRY_LIMIT = 8,
    DL_BAD_RETRY_MODE = 9,
    DL_EMPTY = 11,
    DL_FILE_OPEN = 12,
    DL_FILE_SEEK = 13,   // moving to the end of the temporary file, or writing it, failed
    DL_FILE_RENAME = 14, // the complete body stays in the temporary file
    DL_TOO_LARGE = 15,   // the file is larger than m_nSizeLimit; nothing was written
    // https refusals; nothing was written.
    DL_TLS_UNSUPPORTED = 20,   // no TLS version of 1.2 or later in common with the server (or the system)
    DL_CERT_UNTRUSTED = 21,    // the server's certificate leads to no trusted root
    DL_CERT_WRONG_NAME = 22,   // the certificate is for another host name
    DL_CERT_EXPIRED = 23,      // the certificate is expired or not yet valid
    DL_CERT_REVOKED = 24,      // the certificate is revoked
    DL_INSECURE_REDIRECT = 25, // an https address redirected to plain http
};

// Kinds of progress notification: 2 and 1 once when the file is first ready,
// then 3 after every chunk.
enum ProgressKind {
    PROGRESS_OPENED = 1,
    PROGRESS_STARTED = 2,
    PROGRESS_CHUNK = 3,
};

// lParam of every progress notification; valid only while it is handled.
struct DownloadProgress {
    int32_t kind;
    int32_t total;
    int32_t done;
    std::string fileName;
};

// Redirects followed within one request before it is refused.
constexpr int kMaxRedirects = 20;
// Passes of one request whose sending timed out before it fails.
constexpr int kMaxSendTimeouts = 3;
// Broken transfers in a row that bring no new bytes before the download fails.
constexpr int kMaxIdleTransfers = 5;
// Body chunk and reader size.
constexpr int kChunkSize = 10240;
// Seconds the target's time may differ from Last-Modified and still be current.
constexpr int kCurrentTimeSlack = 2;
// A temporary file whose last-write time lies before this (1995-01-01) or in
// the future has no validator: it is written anew, never continued.
constexpr HttpTime kOldestValidator = 788918400;
// The stamp of a temporary file whose answer named no Last-Modified
// (1980-01-01, which every Windows file system can store).
constexpr HttpTime kNoValidator = 315532800;

class CHttpDownload {
public:
    CHttpDownload();
    virtual ~CHttpDownload();
    CHttpDownload(const CHttpDownload&) = delete;
    CHttpDownload& operator=(const CHttpDownload&) = delete;

    void SetNotify(HWND window, UINT message, int enable);
    int Download(const char* url, const char* localPath, int force);
    int SendRequest(int head);
    int ParseResponseHeader(const std::string& header, ResponseFacts& facts);
    bool OpenConnection();
    void CloseConnection();

    std::string m_strUrl;
    std::string m_strLocalPath;
    std::string m_strTempPath;
    // Set by another thread to stop Download, which never clears it: the
    // caller does, before it starts a run, so that no stop is lost.
    std::atomic<int> m_bStop{0};
    int m_bForce = 0;
    int m_bAppend = 0;
    int32_t m_nTotal = 0;
    int32_t m_nDone = 0;
    int32_t m_nContentLength = 0;
    uint32_t m_nReceived = 0;
    int32_t m_nHeaderLength = 0;
    std::string m_strHeader;
    HttpTime m_timeLastModified = 0;
    std::string m_strReferer;
    std::string m_strUserAgent = "HttpDownload/2.0";
    int32_t m_nConnectTimeout = 10000;
    int32_t m_nRecvTimeout = 10000;
    int32_t m_nSendTimeout = 10000;
    int32_t m_nRetryMode = RETRY_NONE;
    uint32_t m_nRetryCount = 0;
    uint32_t m_nRetryDelay = 0;
    uint32_t m_nRetryLimit = 0;
    uint32_t m_nSizeLimit = 0; // bytes the file may have at most; 0: any size
    int m_bNotify = 0;
    HWND m_hNotifyWnd = nullptr; // borrowed: the receiver's window
    UINT m_nNotifyMsg = 0;
    // The record of the notification being sent, only while it is: the
    // receiver tells our notifications from messages others send it.
    std::atomic<const DownloadProgress*> m_pProgressSent{nullptr};
    int m_bAuth = 0;
    std::string m_strUser;
    std::string m_strPassword;
    std::string m_strProxyHost;
    uint16_t m_nProxyPort = 0;
    int32_t m_nProxyKind = PROXY_NONE;
    int m_bProxyAuth = 0;
    std::string m_strProxyUser;
    std::string m_strProxyPassword;
    std::string m_strHost;
    std::string m_strObject;
    std::string m_strFileName;
    uint16_t m_nPort = 80;
    SOCKET m_hSocket = INVALID_SOCKET;
    SockReader* m_pReader = nullptr;

private:
    int RunDownload(const char* url, const char* localPath, int force);
    int PeerFamily() const;
    int ApplyRetryPolicy();
    int ReachServer();
    int OpenRoute();
    int OpenProxyTunnel();
    int StartTls();
    bool SendText(const std::string& text);
    int ReadHeader(std::string& header);
    bool CredentialsGoHere() const;
    bool TempFileContinues(HttpTime& validator) const;
    void TakeValidator(const ResponseFacts& facts, HttpTime askedWith);
    bool TargetIsCurrent() const;
    int FinishFile();
    void Notify(int kind);

    // The server the credentials were set for: that of the URL given to Download.
    std::string m_strAuthHost;
    uint16_t m_nAuthPort = 0;
    // The validator the temporary file is stamped with while the loop writes
    // it: the Last-Modified time of the answer its bytes came from.
    HttpTime m_timeValidator = kNoValidator;
    // This Download call wrote the temporary file, so it may be continued
    // within the call even without a validator.
    bool m_bTempFromThisCall = false;
    // m_strUrl is https: the connection runs through m_pTls, which the
    // reader receives through.
    bool m_bSecure = false;
    std::unique_ptr<CTlsChannel> m_pTls;
    // What a refused request ends the download with.
    int m_nRefusal = DL_REFUSED;
};
