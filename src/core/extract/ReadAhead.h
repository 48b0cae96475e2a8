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
// window's thread works on the current one. The files are taken in order;
// each is read by whichever thread gets to it first: when the window's
// thread finds its next file still being read, it reads a later one itself
// rather than wait. The queue is bounded: at most a few files and some tens
// of megabytes are read ahead (a larger file only when nothing else is).
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
    static constexpr qsizetype MaxBytes = 16 << 20;

    ReadAhead() = default;
    ~ReadAhead();
    ReadAhead(const ReadAhead &) = delete;
    ReadAhead &operator=(const ReadAhead &) = delete;

    // The bytes of path. upcoming() gives the paths the run expects to take
    // from this one on, in order; it is asked only when the files read
    // ahead are not the ones wanted. Throws what reading the file threw.
    // A file read on this thread yields as it comes in, and so does the
    // wait for one being read on the other.
    QByteArray take(const QString &path, const std::function<QStringList()> &upcoming);

    // Stops reading and drops whatever was read ahead.
    void stop();

private:
    enum class State { Wanted, Reading, Ready };
    struct Slot
    {
        QString path;
        State state = State::Wanted;
        QByteArray bytes;
        std::exception_ptr failure;
    };

    void restart(const QStringList &paths);
    // The first slot nobody reads yet, when the bounds leave room for it.
    Slot *nextToRead();
    // Reads the slot's file with the mutex released.
    void readInto(std::unique_lock<std::mutex> &lock, Slot &slot, bool onWindowThread);
    void work();

    std::mutex m_mutex;
    std::condition_variable m_workerWakes;
    std::condition_variable m_windowWakes;
    std::thread m_thread;
    // The files from the next one to take on, in order (a deque keeps the
    // slots where they are while one is read).
    std::deque<Slot> m_slots;
    qsizetype m_aheadBytes = 0; // in slots read or being read
    int m_aheadFiles = 0;
    bool m_windowWaits = false;
    bool m_workerWaits = false;
    bool m_stopping = false;
    // Bumped when the slots are replaced; a read begun before is dropped.
    quint64 m_generation = 0;
};
