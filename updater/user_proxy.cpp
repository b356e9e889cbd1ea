#include "updater/user_proxy.h"

#include "framework/handles.h"

#include <windows.h>
#include <wininet.h>

namespace {

// A text WinINet hands over (allocated with GlobalAlloc), freed here.
std::string TakeText(char* text) {
    UniqueGlobal owner(text);
    return text ? text : "";
}

} // namespace

ProxySetting ReadUserProxySetting() {
    INTERNET_PER_CONN_OPTIONA options[3] = {};
    options[0].dwOption = INTERNET_PER_CONN_FLAGS;
    options[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
    options[2].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
    INTERNET_PER_CONN_OPTION_LISTA list{};
    list.dwSize = sizeof list;
    list.pszConnection = nullptr; // the LAN connection
    list.dwOptionCount = 3;
    list.pOptions = options;
    DWORD size = sizeof list;
    ProxySetting setting;
    if (!InternetQueryOptionA(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &size))
        return setting;
    setting.manual = (options[0].Value.dwValue & PROXY_TYPE_PROXY) != 0;
    setting.server = TakeText(options[1].Value.pszValue);
    setting.bypass = TakeText(options[2].Value.pszValue);
    return setting;
}
