#include "updater/update_worker.h"

#include "download/socket_handles.h"
#include "download/socket_layer.h"
#include "updater/installer_copy.h"
#include "updater/installer_start.h"
#include "updater/package_digest.h"
#include "updater/package_signature.h"
#include "updater/update_messages.h"
#include "updater/update_rules.h"
#include "updater/user_proxy.h"

#include <dbghelp.h>

#include <cstdio>

namespace {

constexpr DWORD kInstallerDelay = 500;

// The proxy's answer when it wants a sign-in first.
constexpr int kProxySignInStatus = 407;

// Whether a connection to the proxy can be made at all, unless stopped.
bool ProxyAnswers(const ProxyAddress& proxy, int timeoutMs, const std::atomic<int>& stop) {
    ProbeSocket probe(SockFamilyOf(proxy.host.c_str()));
    SockWatchStop(&stop);
    const bool answers = probe.get() != INVALID_SOCKET &&
                         SockConnectHost(probe.get(), proxy.host.c_str(), proxy.port, timeoutMs, 1) == 0;
    SockWatchStop(nullptr);
    return answers;
}

bool AnsiLeadByte(unsigned char byte) {
    return IsDBCSLeadByte(byte) != FALSE;
}

bool FileThere(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
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
    m_bReported = false;
    // Cleared here, before the run exists, so that no stop can be lost.
    m_downloader.m_bStop = 0;
    m_hThread.reset(CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr));
    return m_hThread ? ERROR_SUCCESS : GetLastError();
}

bool CUpdateWorker::Running() const {
    return m_hThread && WaitForSingleObject(m_hThread.get(), 0) == WAIT_TIMEOUT;
}

bool CUpdateWorker::SendsProgress(const DownloadProgress* record) const {
    // Sent, not posted, and the record the downloader's send names: another
    // program cannot hand us a pointer to read.
    return record != nullptr && InSendMessage() && m_downloader.m_pProgressSent.load() == record;
}

std::optional<UpdateOutcome> CUpdateWorker::TakeOutcome() {
    if (!m_bReported.exchange(false))
        return std::nullopt;
    // The run posted its outcome as its last step and waits on nothing: the
    // join is short and cannot wait on this thread.
    WaitForSingleObject(m_hThread.get(), INFINITE);
    return m_outcome;
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

// Only the downloader's rename puts a file at the package path, so one that
// lies there is complete: it is checked against its signature, fetched
// anew, without a download. One that this process did not download may be
// left by an earlier update: refused, it gives way to a fresh download.
void CUpdateWorker::Run() {
    const UpdateJob& job = m_job;
    PostMessageA(job.suiteWnd, WM_SUITE_SHUTDOWN, 1, 0);
    m_proxy = HttpProxyFor(ReadUserProxySetting(), job.downloadUrl);
    if (FileThere(job.packagePath)) {
        const bool ours = m_bPackageOurs;
        if (CheckAndStart(!ours) != Checked::kRefused || ours)
            return;
    }
    if (Download())
        CheckAndStart(false);
}

// Downloads the package; false, reported, when it did not arrive.
bool CUpdateWorker::Download() {
    const UpdateJob& job = m_job;
    const char* package = job.packagePath.c_str();
    m_bPackageOurs = false;
    // An old package is removed once more; one that stays is in use.
    DeleteFileA(package);
    if (FILE* old = std::fopen(package, "r")) {
        std::fclose(old);
        Report(STALL_PACKAGE_IN_USE, 0);
        return false;
    }
    MakeSureDirectoryPathExists(package);
    m_downloader.SetNotify(job.progress, WM_UPDATE_PROGRESS, 1);
    m_downloader.m_nSizeLimit = 0;
    const int result = Fetch(job.downloadUrl, job.packagePath, 0);
    if (result != DL_OK && result != DL_CURRENT) {
        // Nothing is reported to a user who has left meanwhile.
        if (!m_bStopping)
            Report(StallOf(result, false), result);
        return false;
    }
    m_bPackageOurs = true;
    return true;
}

// Every start fetches the signature anew and checks the package again, and
// keeps it open from the check until the copy is made; the copy is held
// until the installer's process exists: what starts is what was checked.
// A package whose signature could not be fetched is kept for the next try.
CUpdateWorker::Checked CUpdateWorker::CheckAndStart(bool quietRefusal) {
    const UpdateJob& job = m_job;
    const std::string signature = job.packagePath + ".sig";
    m_downloader.SetNotify(nullptr, 0, 0);
    m_downloader.m_nSizeLimit = kSignatureFileLimit;
    const int fetched = Fetch(SignatureUrl(job.downloadUrl), signature, 1);
    const int fetchStall = fetched == DL_OK ? 0 : StallOf(fetched, true);
    if (fetchStall == STALL_DOWNLOAD_FAILED || fetchStall == STALL_PROXY_SIGN_IN) {
        if (!m_bStopping)
            Report(fetchStall, fetched);
        return Checked::kKept;
    }
    // The suite has had its time to shut down before the check: nothing
    // waits between the check and the start.
    if (fetched == DL_OK)
        Sleep(kInstallerDelay);
    SignedPackage checked;
    if (fetched == DL_OK)
        checked = CheckPackageSignature(job.packagePath);
    int refusal = fetched == DL_OK ? RefusalOf(checked.check) : fetchStall;
    // The host's digest, where it left one, must match too.
    if (refusal == 0 && CheckPackageDigest(job.packagePath, checked.digest) == PackageCheck::kMismatch)
        refusal = STALL_PACKAGE_REJECTED;
    if (refusal != 0) {
        // Released first: a held package cannot be deleted.
        checked.file.reset();
        DeleteFileA(job.packagePath.c_str());
        DeleteFileA(signature.c_str());
        m_bPackageOurs = false;
        if (!quietRefusal && !m_bStopping)
            Report(refusal, 0);
        return Checked::kRefused;
    }
    // Nothing is started for a user who has left meanwhile.
    if (m_bStopping)
        return Checked::kKept;
    CInstallerCopy copy;
    DWORD error =
        copy.Make(checked.file.get(), checked.digest, PackageFileName(job.packagePath, AnsiLeadByte));
    checked.file.reset();
    if (error == ERROR_SUCCESS)
        error = StartInstaller(copy.Path(), copy.Folder(), job.dialog);
    if (error != ERROR_SUCCESS) {
        copy.Discard();
        Report(STALL_INSTALLER_FAILED, static_cast<LPARAM>(error));
        return Checked::kKept;
    }
    PostMessageA(job.dialog, WM_CLOSE, 0, 0);
    return Checked::kStarted;
}

// What the user is told when a download ended with result: the user's proxy
// wants a sign-in; for the signature, the server has none for the package
// (404 and any other refusal) or what it sent is no signature (empty, or
// larger than any signature); else the download failed.
int CUpdateWorker::StallOf(int result, bool signature) const {
    ResponseFacts facts;
    if (result == DL_REFUSED && m_proxy) {
        JudgeResponseHeader(m_downloader.m_strHeader, facts);
        if (facts.status == kProxySignInStatus)
            return STALL_PROXY_SIGN_IN;
    }
    if (!signature)
        return STALL_DOWNLOAD_FAILED;
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

int CUpdateWorker::Fetch(const std::string& url, const std::string& path, int force) {
    const int result = FetchThrough(url, path, force);
    // A proxy that cannot be reached at all gets one direct attempt after it,
    // and the rest of the run goes direct too.
    if (m_proxy && result == DL_NET_ERROR && !m_bStopping &&
        !ProxyAnswers(*m_proxy, m_downloader.m_nConnectTimeout, m_downloader.m_bStop)) {
        m_proxy.reset();
        return FetchThrough(url, path, force);
    }
    return result;
}

int CUpdateWorker::FetchThrough(const std::string& url, const std::string& path, int force) {
    m_downloader.m_nProxyKind = m_proxy ? PROXY_HTTP : PROXY_NONE;
    m_downloader.m_strProxyHost = m_proxy ? m_proxy->host : "";
    m_downloader.m_nProxyPort = m_proxy ? m_proxy->port : 0;
    return m_downloader.Download(url.c_str(), path.c_str(), force);
}

void CUpdateWorker::Report(int reason, LPARAM detail) {
    m_outcome = UpdateOutcome{reason, detail};
    m_bReported = true;
    PostMessageA(m_job.dialog, WM_UPDATE_STALLED, static_cast<WPARAM>(reason), detail);
}
