#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

// Reads the files a run will come to next on a thread of its own, while the
// window's thread works on the current one. The queue is bounded: it holds
// at most a few files and some tens of megabytes (and a larger file only
// when nothing else waits).
//
// Nothing is shown from the reading thread: a file that cannot be read
// keeps its failure, which take() throws on the window's thread when that
// file's turn comes. The list the files come from may change while they are
// read: take() hands out a file only when it is the path asked for, and
// otherwise drops what was read ahead and starts again from there.
class ReadAhead
{
public:
    static constexpr int MaxFiles = 8;
    static constexpr qsizetype MaxBytes = 32 << 20;

    ReadAhead() = default;
    ~ReadAhead();
    ReadAhead(const ReadAhead &) = delete;
    ReadAhead &operator=(const ReadAhead &) = delete;

    // The bytes of path. upcoming() gives the paths the run expects to take
    // from this one on, in order; it is asked only when the files read
    // ahead are not the ones wanted. Throws what reading the file threw.
    // While the file is still being read, events are processed now and then.
    QByteArray take(const QString &path, const std::function<QStringList()> &upcoming);

    // Stops reading and drops whatever was read ahead.
    void stop();

private:
    struct Item
    {
        QString path;
        QByteArray bytes;
        std::exception_ptr failure;
    };

    void restart(const QStringList &paths);
    void work();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::thread m_thread;
    // Paths still to read, and the files read, in the order asked for.
    std::deque<QString> m_wanted;
    std::deque<Item> m_ready;
    qsizetype m_readyBytes = 0;
    bool m_reading = false; // the thread is reading m_wanted's first path
    bool m_waiting = false; // the window's thread waits for a file
    bool m_roomWaited = false; // the reading thread waits for room
    bool m_stopping = false;
    // Bumped when the wanted paths are replaced; a read begun before is dropped.
    quint64 m_generation = 0;
};
