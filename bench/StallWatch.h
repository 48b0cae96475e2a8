#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>

// The longest time the event loop went without running while a command ran:
// a timer that should fire every 2 ms, and the longest gap between two of its
// firings. With TOLLERVANE_BENCH_VERBOSE set, every gap over 30 ms is told on
// standard error as it ends, with what describe() says of that moment.
class StallWatch
{
public:
    explicit StallWatch(std::function<QString()> describe = {})
        : m_describe(std::move(describe))
        , m_verbose(qEnvironmentVariableIsSet("TOLLERVANE_BENCH_VERBOSE"))
    {
        m_ticker.setTimerType(Qt::PreciseTimer);
        m_ticker.setInterval(2);
        QObject::connect(&m_ticker, &QTimer::timeout, [this] {
            const qint64 gap = m_sinceTick.nsecsElapsed();
            if (m_verbose && gap > 30'000'000)
                std::fprintf(stderr, "stall %.1f ms%s\n", double(gap) / 1e6,
                    m_describe ? qPrintable(QStringLiteral(" at ") + m_describe()) : "");
            m_longestNs = std::max(m_longestNs, gap);
            m_sinceTick.restart();
        });
    }

    void start()
    {
        m_longestNs = 0;
        m_sinceTick.start();
        m_ticker.start();
    }

    // The longest gap since start(), in milliseconds.
    double stopMs()
    {
        m_ticker.stop();
        m_longestNs = std::max(m_longestNs, m_sinceTick.nsecsElapsed());
        return double(m_longestNs) / 1e6;
    }

private:
    std::function<QString()> m_describe;
    bool m_verbose;
    QTimer m_ticker;
    QElapsedTimer m_sinceTick;
    qint64 m_longestNs = 0;
};

// The process's largest resident set so far.
inline double peakResidentMiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // ru_maxrss is in KiB on Linux
}
