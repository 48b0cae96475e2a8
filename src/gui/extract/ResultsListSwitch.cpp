#include "ResultsListSwitch.h"

#include "core/app/EventPump.h"

void ResultsListSwitch::yield()
{
    if (!EventPump::due())
        return;
    switchOn();
    EventPump::pumpNow();
}

void ResultsListSwitch::switchOff()
{
    if (m_list && m_list->isEnabled())
        m_list->setEnabled(false);
}

void ResultsListSwitch::switchOn()
{
    if (m_list && !m_list->isEnabled())
        m_list->setEnabled(true);
}
