#include "updater/update_worker.h"

#include "download/socket_layer.h"
#include "updater/installer_start.h"
#include "updater/package_digest.h"
#include "updater/update_messages.h"
#include "updater/user_proxy.h"

#include <dbghelp.h>

#include <cstdio>

namespace {

constexpr DWORD kInstallerDelay = 500;

// A socket of the downloader's socket layer, closed with the object.
class ProbeSocket {
public:
    ProbeSocket() : m_hSocket(SockCreate(AF_INET, SOCK_STREAM, 0)) {}
    ~ProbeSocket() {
        if (m_hSocket != INVALID_SOCKET)
            SockClose(m_hSocket, 1);
    }
    ProbeSocket(const ProbeSocket&) = delete;
    ProbeSocket& operator=(const ProbeSocket&) = delete;
    SOCKET get() const { return m_hSocket; }

private:
    SOCKET m_hSocket;
};

// Whether a connection to the proxy can be made at all.
bool ProxyAnswers(const ProxyAddress& proxy, int timeoutMs) {
    ProbeSocket probe;
    return probe.get() != INVALID_SOCKET &&
           SockConnectHost(probe.get(), proxy.host.c_str(), proxy.port, timeoutMs, 1) == 0;
}

} // namespace

DWORD CUpdateWorker::Start(const UpdateJob& job) {
    if (Running())
        return ERROR_BUSY;
    m_hThread.reset();
    m_job = job;
    m_bStopping = false;
    m_hThread.reset(CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr));
    return m_hThread ? ERROR_SUCCESS : GetLastError();
}

bool CUpdateWorker::Running() const {
    return m_hThread && WaitForSingleObject(m_hThread.get(), 0) == WAIT_TIMEOUT;
}

void CUpdateWorker::Join() {
    if (m_hThread)
        WaitForSingleObject(m_hThread.get(), INFINITE);
}

bool CUpdateWorker::Stop(DWORD milliseconds) {
    if (!Running())
        return true;
    m_bStopping = true;
    m_downloader.m_bStop = 1;
    const HANDLE thread = m_hThread.get();
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds)
            return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
        if (MsgWaitForMultipleObjects(1, &thread, FALSE, milliseconds - elapsed, QS_SENDMESSAGE) ==
            WAIT_OBJECT_0)
            return true;
        // Handles the messages sent to this thread, and nothing posted.
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

DWORD WINAPI CUpdateWorker::ThreadMain(LPVOID param) {
    static_cast<CUpdateWorker*>(param)->Run();
    return 0;
}

void CUpdateWorker::Run() {
    const UpdateJob& job = m_job;
    PostMessageA(job.suiteWnd, WM_SUITE_SHUTDOWN, 1, 0);
    const char* package = job.packagePath.c_str();
    if (!job.packageReady) {
        // An old package is removed once more; one that stays is in use.
        DeleteFileA(package);
        if (FILE* old = std::fopen(package, "r")) {
            std::fclose(old);
            Report(STALL_PACKAGE_IN_USE, 0);
            return;
        }
        MakeSureDirectoryPathExists(package);
        const int result = Fetch();
        if (result != DL_OK && result != DL_CURRENT) {
            Report(STALL_DOWNLOAD_FAILED, result);
            return;
        }
    }
    if (CheckPackageDigest(job.packagePath) == PackageCheck::kMismatch) {
        DeleteFileA(package);
        Report(STALL_PACKAGE_REJECTED, 0);
        return;
    }
    Sleep(kInstallerDelay);
    // Nothing is started for a user who has left meanwhile.
    if (m_bStopping)
        return;
    const DWORD error = StartInstaller(job.packagePath, job.dialog);
    if (error != ERROR_SUCCESS) {
        Report(STALL_INSTALLER_FAILED, static_cast<LPARAM>(error));
        return;
    }
    PostMessageA(job.dialog, WM_CLOSE, 0, 0);
}

int CUpdateWorker::Fetch() {
    m_downloader.SetNotify(m_job.progress, WM_UPDATE_PROGRESS, 1);
    const std::optional<ProxyAddress> proxy = HttpProxyFor(ReadUserProxySetting(), m_job.downloadUrl);
    const int result = FetchThrough(proxy);
    // A proxy that cannot be reached at all gets one direct attempt after it.
    if (proxy && result == DL_NET_ERROR && !m_bStopping &&
        !ProxyAnswers(*proxy, m_downloader.m_nConnectTimeout))
        return FetchThrough(std::nullopt);
    return result;
}

int CUpdateWorker::FetchThrough(const std::optional<ProxyAddress>& proxy) {
    m_downloader.m_nProxyKind = proxy ? PROXY_HTTP : PROXY_NONE;
    m_downloader.m_strProxyHost = proxy ? proxy->host : "";
    m_downloader.m_nProxyPort = proxy ? proxy->port : 0;
    // The downloader clears its stop flag when it starts.
    if (m_bStopping)
        return DL_STOPPED;
    return m_downloader.Download(m_job.downloadUrl.c_str(), m_job.packagePath.c_str(), 0);
}

void CUpdateWorker::Report(int reason, LPARAM detail) const {
    PostMessageA(m_job.dialog, WM_UPDATE_STALLED, static_cast<WPARAM>(reason), detail);
}
