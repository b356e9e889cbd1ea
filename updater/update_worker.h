// CUpdateWorker: the update dialog's worker thread. One run asks the suite
// to shut down, downloads the package (unless a complete one lies there
// already) and its signature through the user's proxy where one applies,
// checks the signature and starts a checked copy of the package as the
// installer. It reports to the dialog only through messages: progress by
// the downloader's synchronous WM_UPDATE_PROGRESS (to the dialog's receiver
// window), then WM_CLOSE after the installer started or WM_UPDATE_STALLED
// when the run stopped short; the dialog acts only on what this worker
// sent (SendsProgress, TakeOutcome).
#pragma once

#include "download/http_download.h"
#include "framework/handles.h"
#include "updater/proxy_rules.h"

#include <windows.h>

#include <atomic>
#include <optional>
#include <string>

// What a run works on: copied in when it starts and left alone while it
// runs.
struct UpdateJob {
    HWND dialog = nullptr;   // borrowed: receives the outcome
    HWND progress = nullptr; // borrowed: receives the downloader's progress
    HWND suiteWnd = nullptr; // borrowed: the suite host's window
    std::string downloadUrl;
    std::string packagePath;
};

// How a run stopped short: a StallReason and its detail.
struct UpdateOutcome {
    int reason = 0;
    LPARAM detail = 0;
};

class CUpdateWorker {
public:
    CUpdateWorker() = default;
    // The owner ends the process rather than destroy a running worker.
    ~CUpdateWorker() = default;
    CUpdateWorker(const CUpdateWorker&) = delete;
    CUpdateWorker& operator=(const CUpdateWorker&) = delete;

    // Starts a run unless one is running; 0, or the system error code when
    // the thread cannot be created.
    DWORD Start(const UpdateJob& job);
    bool Running() const;
    // Whether record is the one the downloader is sending this thread now:
    // only then is it ours and valid.
    bool SendsProgress(const DownloadProgress* record) const;
    // The outcome the run reported, once, after which the run sends nothing
    // more and is joined; nothing while no outcome is there (a message
    // another program posted).
    std::optional<UpdateOutcome> TakeOutcome();
    // Asks a run to stop and waits at most milliseconds for it to end,
    // handling what other threads send to this one meanwhile (the progress
    // the downloader sends until it sees the request). Whether it ended.
    bool Stop(DWORD milliseconds);

private:
    static DWORD WINAPI ThreadMain(LPVOID param);
    // How a check of the package ended.
    enum class Checked {
        kStarted,
        kKept,    // not started, the package kept; reported unless refusals are quiet
        kRefused, // the package and its signature deleted; reported unless quiet
    };

    void Run();
    bool Download();
    Checked CheckAndStart(bool quietRefusal);
    int StallOf(int result, bool signature) const;
    // Downloads url into path through the run's proxy, if any.
    int Fetch(const std::string& url, const std::string& path, int force);
    int FetchThrough(const std::string& url, const std::string& path, int force);
    void Report(int reason, LPARAM detail);

    UpdateJob m_job; // written only while no run exists
    CHttpDownload m_downloader;
    // The run's way to the server: the user's proxy for the address, none
    // once it could not be reached. The package and its signature both take it.
    std::optional<ProxyAddress> m_proxy;
    std::atomic<bool> m_bStopping{false};
    // The package at the path was downloaded by this process, so a refusal
    // of it is final; one found there is downloaded anew when refused.
    bool m_bPackageOurs = false;
    UpdateOutcome m_outcome;
    std::atomic<bool> m_bReported{false};
    UniqueHandle m_hThread;
};
