// CTimeSpan: a span of time as the device's framework keeps it, a 32-bit
// count of seconds. Built implicitly from a second count so that callers can
// pass the playback position in whole seconds directly.
#pragma once

#include "platform/base/wintypes.h"

class CTimeSpan {
public:
    CTimeSpan() = default;
    CTimeSpan(LONG nSeconds) : m_nSeconds(nSeconds) {}
    CTimeSpan(LONG lDays, int nHours, int nMins, int nSecs)
        : m_nSeconds(((lDays * 24 + nHours) * 60 + nMins) * 60 + nSecs) {}

    LONG GetTotalSeconds() const { return m_nSeconds; }
    LONG GetTotalMinutes() const { return m_nSeconds / 60; }
    LONG GetTotalHours() const { return m_nSeconds / 3600; }
    LONG GetDays() const { return m_nSeconds / 86400; }
    int GetHours() const { return static_cast<int>(GetTotalHours() - GetDays() * 24); }
    int GetMinutes() const { return static_cast<int>(GetTotalMinutes() - GetTotalHours() * 60); }
    int GetSeconds() const { return static_cast<int>(GetTotalSeconds() - GetTotalMinutes() * 60); }

    friend bool operator==(const CTimeSpan& a, const CTimeSpan& b) {
        return a.m_nSeconds == b.m_nSeconds;
    }
    friend bool operator!=(const CTimeSpan& a, const CTimeSpan& b) {
        return a.m_nSeconds != b.m_nSeconds;
    }

private:
    LONG m_nSeconds = 0;
};
