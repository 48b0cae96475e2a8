#include "RegularFile.h"

#include "AppFailure.h"

#include <QFile>
#include <QFileInfo>

void openRegularFile(QFile &file, const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw AppFailure(QStringLiteral("File not found: %1").arg(path));
    if (info.isDir())
        throw AppFailure(QStringLiteral("Path is a folder, not a file: %1").arg(path));
    if (!info.isFile())
        throw AppFailure(QStringLiteral("Not a regular file: %1").arg(path));
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw AppFailure(QStringLiteral("Cannot open %1: %2").arg(path, file.errorString()));
}
