// CNetworkWatch: tells the calendar's window when an IP address of the
// machine comes or goes (a network joined, a VPN connected), by posting it
// WM_CALENDAR_NETWORK_CHANGED from the system's notification thread. It owns
// the system's notification registration.
#pragma once

#include <windows.h>

class CNetworkWatch {
public:
    CNetworkWatch() = default;
    ~CNetworkWatch() { Stop(); }
    CNetworkWatch(const CNetworkWatch&) = delete;
    CNetworkWatch& operator=(const CNetworkWatch&) = delete;

    // False when the system offers no such notification.
    bool Start(HWND hWnd);
    // Returns once no notification runs any more.
    void Stop();

private:
    HANDLE m_hNotification = nullptr;
};
