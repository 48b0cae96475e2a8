#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>

// A file that is written beside its target and replaces it only once whole,
// so that a save that fails or is stopped leaves any file of that name as it
// was. Where the folder takes no new file but the file itself may be written
// (a writable file in a closed folder), it is written in place instead.
// Failures throw AppFailure with the system's reason.
class ReplacedFile
{
public:
    explicit ReplacedFile(const QString &path);

    void create();
    // Writes all of bytes.
    void write(QByteArrayView bytes);
    // Flushes the file to disk and puts it in place. The flush takes a
    // noticeable while for a large file: it runs on a worker thread while
    // this one keeps yielding.
    void commit();

    // Whether a stop may still keep the old file: not once it is being
    // written in place (it is gone already, and a whole new one is better
    // than part of one).
    bool stopKeepsTheOldFile() const;

private:
    QString m_path;
    QSaveFile m_file;
};
