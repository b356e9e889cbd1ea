// When the calendar navigates its page again. Windows-free, so it is also
// tested natively.
//
// A load that fails for a reason that passes (no network yet, a server that
// is down or busy) is tried again after a pause of 5 s that doubles with each
// failure in a row, up to 5 minutes; the network coming back or a resume may
// bring the next try forward. Other failures (a missing page, a browser
// that cannot show it) are not tried again, and a page that loaded is left
// alone.
#pragma once

class PageReload {
public:
    static constexpr unsigned kFirstPauseMs = 5000;
    static constexpr unsigned kLongestPauseMs = 300000;

    // A navigation to the page starts. A retry keeps the pause growing; any
    // other navigation starts the pauses over.
    void Started(bool bRetry);
    // The navigation failed with status: an HTTP status code or the
    // browser's HRESULT. Returns the pause before the next try, in ms, or 0
    // when there is to be none.
    unsigned Failed(long nStatus);
    // The page's document is complete.
    void Loaded();
    // A try waits for its pause to end.
    bool Waiting() const { return m_state == State::Waiting; }

private:
    enum class State { Loading, Waiting, Loaded };
    State m_state = State::Loading;
    unsigned m_nNextPauseMs = kFirstPauseMs;
};

// Whether a load that failed with status may succeed later: a network
// failure (no connection, no name, a time-out) or a server error (5xx).
bool IsPassingLoadFailure(long nStatus);

// How long to wait, from the local time of day given, before looking
// again whether the date has changed: until the next midnight, but at most
// an hour, so that a clock set back or forward an hour is caught up.
unsigned MsUntilDateCheck(int nHour, int nMinute, int nSecond, int nMilliseconds);
