#pragma once

#include "RunHost.h"
#include "core/app/EventPump.h"

// Keeps the results list switched off while a line is examined and on at
// every other moment anyone can see it. The list can only be seen or used
// while events are processed, so it is switched on just before a yield that
// processes events (and before anything else that may run the event loop),
// and not at every line: changing a view's enabled state costs microseconds,
// which over millions of lines would cost seconds.
class ResultsListSwitch
{
public:
    explicit ResultsListSwitch(RunHost &host)
        : m_host(host)
    { }
    ~ResultsListSwitch() { switchOn(); }
    ResultsListSwitch(const ResultsListSwitch &) = delete;
    ResultsListSwitch &operator=(const ResultsListSwitch &) = delete;

    // The per-line yield, with the list on whenever events are processed.
    void yield()
    {
        if (!EventPump::due())
            return;
        switchOn();
        EventPump::pumpNow();
    }
    void switchOff()
    {
        if (!m_off) {
            m_host.setResultsListEnabled(false);
            m_off = true;
        }
    }
    void switchOn()
    {
        if (m_off) {
            m_host.setResultsListEnabled(true);
            m_off = false;
        }
    }

private:
    RunHost &m_host;
    bool m_off = false;
};
