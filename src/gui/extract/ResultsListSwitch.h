#pragma once

#include <QPointer>
#include <QWidget>

// Keeps the results list switched off while a line is examined and on at
// every other moment anyone can see it. The list can only be seen or used
// while events are processed, so it is switched on just before a yield that
// processes events (and before anything else that may run the event loop),
// and not at every line: changing a view's enabled state costs microseconds,
// which over millions of lines would cost seconds.
class ResultsListSwitch
{
public:
    explicit ResultsListSwitch(QWidget *list)
        : m_list(list)
    { }
    ~ResultsListSwitch() { switchOn(); }
    ResultsListSwitch(const ResultsListSwitch &) = delete;
    ResultsListSwitch &operator=(const ResultsListSwitch &) = delete;

    // The per-line yield, with the list on whenever events are processed.
    void yield();
    void switchOff();
    void switchOn();

private:
    QPointer<QWidget> m_list;
};
