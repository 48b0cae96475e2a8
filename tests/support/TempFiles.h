#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// A temporary folder that tests fill with files of exact bytes.
class TempFiles
{
public:
    TempFiles() { m_dir.setAutoRemove(true); }

    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    QString write(const QString &name, const QByteArray &bytes) const
    {
        const QString target = m_dir.filePath(name);
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile file(target);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write test file %s", qPrintable(target));
        file.write(bytes);
        return target;
    }

private:
    QTemporaryDir m_dir;
};
