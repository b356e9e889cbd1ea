#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>

#include "calendar/network_watch.h"

#include "calendar/calendar_messages.h"

namespace {

// The window's handle is the context: the callback touches no object that
// could be gone.
void WINAPI OnAddressChange(void* pContext, MIB_UNICASTIPADDRESS_ROW*, MIB_NOTIFICATION_TYPE) {
    ::PostMessageA(static_cast<HWND>(pContext), WM_CALENDAR_NETWORK_CHANGED, 0, 0);
}

} // namespace

bool CNetworkWatch::Start(HWND hWnd) {
    Stop();
    return ::NotifyUnicastIpAddressChange(AF_UNSPEC, OnAddressChange, hWnd, FALSE, &m_hNotification) ==
           NO_ERROR;
}

void CNetworkWatch::Stop() {
    if (m_hNotification)
        ::CancelMibChangeNotify2(m_hNotification);
    m_hNotification = nullptr;
}
