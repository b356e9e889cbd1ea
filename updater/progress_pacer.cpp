#include "updater/progress_pacer.h"

bool ProgressPacer::Take(uint32_t done, uint32_t total, uint32_t nowMs) {
    m_nDone = done;
    m_nTotal = total;
    m_bHeld = !m_bShownAny || done != m_nShownDone || total != m_nShownTotal;
    if (!m_bHeld)
        return false;
    const bool due = !m_bShownAny || done == total || nowMs - m_nShownAtMs >= m_nIntervalMs;
    if (!due)
        return false;
    m_nShownAtMs = nowMs;
    return Flush();
}

bool ProgressPacer::Flush() {
    if (!m_bHeld)
        return false;
    m_bHeld = false;
    m_bShownAny = true;
    m_nShownDone = m_nDone;
    m_nShownTotal = m_nTotal;
    return true;
}
