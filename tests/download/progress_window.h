// A message-only window that records the downloader's progress
// notifications, as the update dialog receives them.
#pragma once

#include "download/http_download.h"

#include <functional>
#include <vector>

struct ProgressRecord {
    WPARAM wParam;
    int32_t kind;
    int32_t total;
    int32_t done;
    std::string fileName;
};

class ProgressWindow {
public:
    static constexpr UINT kMessage = WM_USER + 105;

    ProgressWindow();
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    HWND Handle() const { return m_hWnd; }
    // Called after each record is stored, on the window's thread.
    void OnRecord(std::function<void(const ProgressRecord&)> callback) { m_onRecord = std::move(callback); }
    const std::vector<ProgressRecord>& Records() const { return m_records; }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    std::vector<ProgressRecord> m_records;
    std::function<void(const ProgressRecord&)> m_onRecord;
};
