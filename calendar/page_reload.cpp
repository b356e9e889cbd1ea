#include "calendar/page_reload.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {

// The browser's network failures (urlmon's INET_E_*), and the WinINet ones
// it may pass on as HRESULTs. Others, such as a class that is not
// registered (a browser without an HTML engine), are no network failure.
constexpr std::uint32_t kPassingFailures[] = {
    0x800C0004, // INET_E_CANNOT_CONNECT
    0x800C0005, // INET_E_RESOURCE_NOT_FOUND: the server's name is unknown
    0x800C0007, // INET_E_DATA_NOT_AVAILABLE
    0x800C0008, // INET_E_DOWNLOAD_FAILURE: the connection was refused or broken
    0x800C000B, // INET_E_CONNECTION_TIMEOUT
    0x80072EE2, // ERROR_INTERNET_TIMEOUT
    0x80072EE7, // ERROR_INTERNET_NAME_NOT_RESOLVED
    0x80072EFD, // ERROR_INTERNET_CANNOT_CONNECT
    0x80072EFE, // ERROR_INTERNET_CONNECTION_ABORTED
    0x80072EFF, // ERROR_INTERNET_CONNECTION_RESET
};

constexpr unsigned kMsPerHour = 60 * 60 * 1000;

} // namespace

void PageReload::Started(bool bRetry) {
    m_state = State::Loading;
    if (!bRetry)
        m_nNextPauseMs = kFirstPauseMs;
}

unsigned PageReload::Failed(long nStatus) {
    if (m_state != State::Loading || !IsPassingLoadFailure(nStatus))
        return 0;
    m_state = State::Waiting;
    const unsigned pause = m_nNextPauseMs;
    m_nNextPauseMs = std::min(2 * m_nNextPauseMs, kLongestPauseMs);
    return pause;
}

void PageReload::Loaded() {
    if (m_state == State::Loading)
        m_state = State::Loaded;
}

bool IsPassingLoadFailure(long nStatus) {
    if (nStatus >= 500 && nStatus <= 599)
        return true;
    // An HRESULT, negative as a signed number.
    const auto status = static_cast<std::uint32_t>(nStatus);
    return std::find(std::begin(kPassingFailures), std::end(kPassingFailures), status) !=
           std::end(kPassingFailures);
}

unsigned MsUntilDateCheck(int nHour, int nMinute, int nSecond, int nMilliseconds) {
    const unsigned elapsed = ((nHour * 60u + nMinute) * 60u + nSecond) * 1000u + nMilliseconds;
    const unsigned untilMidnight = 24 * kMsPerHour - std::min(elapsed, 24 * kMsPerHour);
    return std::min(untilMidnight, kMsPerHour);
}
