#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <vector>

class QLineEdit;
class ResultsModel;
class ResultFilter;

// "Filter results" as the user types: a short pause after the last key,
// then the rows are tested a slice at a time between turns of the event
// loop (a million rows never hold the window), and the list shows those
// that pass. Hidden rows stay in the list; an empty box shows them all. A
// pattern that does not compile colours the box, says why in its tooltip,
// and hides nothing.
class ResultsFilterJob : public QObject
{
    Q_OBJECT

public:
    // patterns: whether texts are regular expressions now. shown: called
    // whenever the rows shown have changed.
    ResultsFilterJob(ResultsModel &results, QLineEdit &box, std::function<bool()> patterns, std::function<void()> shown,
        QObject *parent = nullptr);
    ~ResultsFilterJob() override;

    // Filters again now (the option changed, say).
    void restart();
    bool running() const { return m_running; }

    static constexpr int PauseMs = 150;
    static constexpr qint64 SliceMs = 15;

private:
    void step();
    void showInvalid(const QString &why);

    ResultsModel &m_results;
    QLineEdit &m_box;
    std::function<bool()> m_patterns;
    std::function<void()> m_shown;
    QTimer m_pause;
    bool m_running = false;
    bool m_applying = false;
    std::unique_ptr<ResultFilter> m_filter;
    std::vector<std::uint32_t> m_rows;
    std::vector<std::uint32_t> m_passed;
    size_t m_next = 0;
    size_t m_total = 0;
};
