#include "FileAttributes.h"

#include <QDir>

int FileAttributes(const QFileInfo &info)
{
    if (!info.exists())
        return -1;
    int attributes = 0;
    if (info.isDir())
        attributes |= FileAttribute::Folder;
    else if (info.isFile())
        attributes |= FileAttribute::Archive;
    if (info.fileName().startsWith(QLatin1Char('.')))
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
    return QDir::cleanPath(QDir::fromNativeSeparators(path)) == QDir::rootPath() || QFileInfo(path).isRoot();
}
