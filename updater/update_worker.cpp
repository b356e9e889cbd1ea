#include "updater/update_worker.h"

#include "download/socket_handles.h"
#include "download/socket_layer.h"
#include "updater/installer_start.h"
#include "updater/package_digest.h"
#include "updater/package_signature.h"
#include "updater/update_messages.h"
#include "updater/user_proxy.h"

#include <dbghelp.h>

#include <cstdio>

namespace {

constexpr DWORD kInstallerDelay = 500;

// Whether a connection to the proxy can be made at all.
bool ProxyAnswers(const ProxyAddress& proxy, int timeoutMs) {
    ProbeSocket probe;
    return probe.get() != INVALID_SOCKET &&
           SockConnectHost(probe.get(), proxy.host.c_str(), proxy.port, timeoutMs, 1) == 0;
}

// What the user is told when the signature's download ended with result:
// the server has none for the package (404 and any other refusal), or what
// it sent is no signature (empty, or larger than any signature); else the
// download failed.
int RefusalOf(int result) {
    switch (result) {
    case DL_REFUSED:
        return STALL_SIGNATURE_MISSING;
    case DL_EMPTY:
    case DL_TOO_LARGE:
        return STALL_SIGNATURE_WRONG;
    default:
        return STALL_DOWNLOAD_FAILED;
    }
}

// Why the package may not start after the signature check; 0 when it may.
int RefusalOf(SignatureCheck check) {
    switch (check) {
    case SignatureCheck::kVerified:
        return 0;
    case SignatureCheck::kPackageUnreadable:
        // Someone else has the package open for writing, or it went away.
        return STALL_PACKAGE_IN_USE;
    case SignatureCheck::kMissing:
        return STALL_SIGNATURE_MISSING;
    case SignatureCheck::kUnreadable:
    case SignatureCheck::kWrong:
        break;
    }
    return STALL_SIGNATURE_WRONG;
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
    m_proxy = HttpProxyFor(ReadUserProxySetting(), job.downloadUrl);
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
        m_downloader.SetNotify(job.progress, WM_UPDATE_PROGRESS, 1);
        m_downloader.m_nSizeLimit = 0;
        const int result = Fetch(job.downloadUrl, job.packagePath, 0);
        if (result != DL_OK && result != DL_CURRENT) {
            Report(STALL_DOWNLOAD_FAILED, result);
            return;
        }
    }
    CheckAndStart();
}

// Every start fetches the signature anew and checks the package again, and
// keeps it open from the check until the installer's process exists: what
// starts is what was checked.
void CUpdateWorker::CheckAndStart() {
    const UpdateJob& job = m_job;
    const std::string signature = job.packagePath + ".sig";
    m_downloader.SetNotify(nullptr, 0, 0);
    m_downloader.m_nSizeLimit = kSignatureFileLimit;
    const int fetched = Fetch(job.downloadUrl + ".sig", signature, 1);
    SignedPackage checked;
    if (fetched == DL_OK)
        checked = CheckPackageSignature(job.packagePath);
    int refusal = fetched == DL_OK ? RefusalOf(checked.check) : RefusalOf(fetched);
    // The host's digest, where it left one, must match too.
    if (refusal == 0 && CheckPackageDigest(job.packagePath, checked.digest) == PackageCheck::kMismatch)
        refusal = STALL_PACKAGE_REJECTED;
    if (refusal != 0) {
        // Released first: a held package cannot be deleted.
        checked.file.reset();
        DeleteFileA(job.packagePath.c_str());
        DeleteFileA(signature.c_str());
        // Nothing is reported to a user who has left meanwhile.
        if (!m_bStopping)
            Report(refusal, refusal == STALL_DOWNLOAD_FAILED ? fetched : 0);
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

int CUpdateWorker::Fetch(const std::string& url, const std::string& path, int force) {
    const int result = FetchThrough(url, path, force);
    // A proxy that cannot be reached at all gets one direct attempt after it,
    // and the rest of the run goes direct too.
    if (m_proxy && result == DL_NET_ERROR && !m_bStopping &&
        !ProxyAnswers(*m_proxy, m_downloader.m_nConnectTimeout)) {
        m_proxy.reset();
        return FetchThrough(url, path, force);
    }
    return result;
}

int CUpdateWorker::FetchThrough(const std::string& url, const std::string& path, int force) {
    m_downloader.m_nProxyKind = m_proxy ? PROXY_HTTP : PROXY_NONE;
    m_downloader.m_strProxyHost = m_proxy ? m_proxy->host : "";
    m_downloader.m_nProxyPort = m_proxy ? m_proxy->port : 0;
    // The downloader clears its stop flag when it starts.
    if (m_bStopping)
        return DL_STOPPED;
    return m_downloader.Download(url.c_str(), path.c_str(), force);
}

void CUpdateWorker::Report(int reason, LPARAM detail) const {
    PostMessageA(m_job.dialog, WM_UPDATE_STALLED, static_cast<WPARAM>(reason), detail);
}
