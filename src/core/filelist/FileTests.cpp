#include "FileTests.h"

bool IsOpenableFile(const QFileInfo &info)
{
    return info.isFile();
}

bool IsOpenableFile(const QString &path)
{
    if (path.isEmpty() || path.contains(QChar(u'\0')))
        return false;
    return IsOpenableFile(QFileInfo(path));
}

bool IsDirectory(const QString &path)
{
    if (path.isEmpty() || path.contains(QChar(u'\0')))
        return false;
    return QFileInfo(path).isDir();
}

bool NameHasOddCharacters(QStringView name)
{
    for (const QChar c : name) {
        const char16_t code = c.unicode();
        if (code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == u'?' || code == 0xFFFD)
            return true;
    }
    return false;
}
