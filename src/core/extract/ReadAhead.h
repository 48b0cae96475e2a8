#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
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
// rather than wait. The queue is bounded: at most sixteen files and some tens
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
    static constexpr int MaxFiles = 16;
    static constexpr qsizetype MaxBytes = 16 << 20;

    ReadAhead() = default;
    ~ReadAhead();
    ReadAhead(const ReadAhead &) = delete;
    ReadAhead &operator=(const ReadAhead &) = delete;

    // upcoming(k): the path the run expects to take k files after the one
    // it takes now (0: that one), or a null string past the end of the list.
    // Only the next Window paths are ever asked for, so a run's set-up costs
    // the same for ten files and for a million.
    using Upcoming = std::function<QString(qsizetype offset)>;
    static constexpr qsizetype Window = 2 * MaxFiles;

    // What becomes of a file's bytes once read, on whichever thread read
    // them (decoding, say); sets fellBack when it had to fall back to a
    // simpler reading. Set before the first take().
    using Prepare = std::function<QByteArray(const QByteArray &bytes, const QString &path, bool &fellBack)>;
    void setPrepare(Prepare prepare) { m_prepare = std::move(prepare); }

    // The bytes of path (as prepared). Throws what reading the file threw. A
    // file read on this thread yields as it comes in, and so does the wait
    // for one being read on the other. fellBack, when given, tells whether
    // the preparation fell back.
    QByteArray take(const QString &path, const Upcoming &upcoming, bool *fellBack = nullptr);

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
        bool fellBack = false;
    };

    // Drops every slot and sets up those of path and the files after it.
    void restart(const QString &path, const Upcoming &upcoming);
    // Adds slots for the files after the last one set up, up to Window.
    void topUp(const Upcoming &upcoming);
    // The first slot nobody reads yet, when the bounds leave room for it.
    Slot *nextToRead();
    // Reads the slot's file with the mutex released.
    void readInto(std::unique_lock<std::mutex> &lock, Slot &slot, bool onWindowThread);
    void work();

    Prepare m_prepare;
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
    std::atomic<quint64> m_generation = 0;
};
