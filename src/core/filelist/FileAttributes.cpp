#include "FileAttributes.h"

#include <QDir>

namespace {
// The last part of the path, also for a folder written with a trailing
// separator (where QFileInfo sees an empty name).
QString nameOf(const QFileInfo &info)
{
    const QString name = info.fileName();
    if (!name.isEmpty())
        return name;
    QStringView path = info.filePath();
    while (path.size() > 1 && (path.endsWith(u'/') || path.endsWith(QDir::separator())))
        path.chop(1);
    return path.mid(path.lastIndexOf(u'/') + 1).toString();
}
} // namespace

int FileAttributes(const QFileInfo &info)
{
    if (!info.exists())
        return -1;
    int attributes = 0;
    if (info.isDir())
        attributes |= FileAttribute::Folder;
    else if (info.isFile())
        attributes |= FileAttribute::Archive;
    if (nameOf(info).startsWith(QLatin1Char('.')))
        attributes |= FileAttribute::Hidden;
    if (!info.permission(QFileDevice::WriteOwner))
        attributes |= FileAttribute::ReadOnly;
    if (info.isSymLink())
        attributes |= FileAttribute::Alias;
    return attributes;
}

int FileAttributes(const QString &path)
{
    if (path.isEmpty())
        return -1;
    return FileAttributes(QFileInfo(path));
}

bool IsRootFolder(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
#ifdef Q_OS_WIN
    // Drive roots ("C:/") and share roots ("//server/share").
    return QDir(clean).isRoot();
#else
    return clean == QDir::rootPath();
#endif
}
