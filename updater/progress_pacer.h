// ProgressPacer: when the update dialog redraws its progress. The
// downloader reports every chunk; the dialog keeps the latest figures and
// shows them only when they differ from those shown, at most once per
// interval, but the final figures (done equal to total) at once.
#pragma once

#include <cstdint>

class ProgressPacer {
public:
    explicit ProgressPacer(uint32_t intervalMs) : m_nIntervalMs(intervalMs) {}

    // Takes the latest figures at nowMs (a millisecond tick that may wrap);
    // true when they are to be shown now, which counts them as shown.
    bool Take(uint32_t done, uint32_t total, uint32_t nowMs);
    // True when figures were held back, which counts them as shown now.
    bool Flush();

    uint32_t Done() const { return m_nDone; }
    uint32_t Total() const { return m_nTotal; }

private:
    uint32_t m_nIntervalMs;
    uint32_t m_nDone = 0;
    uint32_t m_nTotal = 0;
    bool m_bHeld = false;
    bool m_bShownAny = false;
    uint32_t m_nShownDone = 0;
    uint32_t m_nShownTotal = 0;
    uint32_t m_nShownAtMs = 0;
};
