// CProgressReceiver: the receiving end of the downloader's progress
// notifications for the update dialog. A message-only window of its own
// class on the dialog's thread, whose procedure hands each record straight
// to the dialog: the worker waits for every chunk's notification, and the
// dialog's own window would take it through the subclass chain (under
// Wine, window property lookups in the wineserver) before its handler.
#pragma once

#include "download/http_download.h"

#include <windows.h>

#include <functional>

class CProgressReceiver {
public:
    using Handler = std::function<void(WPARAM kind, const DownloadProgress* progress)>;

    CProgressReceiver() = default;
    ~CProgressReceiver();
    CProgressReceiver(const CProgressReceiver&) = delete;
    CProgressReceiver& operator=(const CProgressReceiver&) = delete;

    // Creates the window on the calling thread; WM_UPDATE_PROGRESS sent to
    // it calls handler.
    bool Create(Handler handler);
    HWND Window() const { return m_hWnd; }

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    Handler m_handler;
    HWND m_hWnd = nullptr;
};
