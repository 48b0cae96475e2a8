#include "PathTools.h"

#include <QFileInfo>

namespace PathTools {

bool FileExists(const QString &path)
{
    if (path.isEmpty() || path.contains(QChar(u'\0')))
        return false;
    // An existing file or folder is one whose modification time can be read.
    const QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
}

QString GetFileNameFromPath(const QString &path)
{
    const qsizetype last = path.lastIndexOf(Separator);
    return last < 0 ? path : path.mid(last + 1);
}

namespace {
QString collapsePairs(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        out.append(text[i]);
        if (text[i] == Separator && i + 1 < text.size() && text[i + 1] == Separator)
            ++i; // the second of the pair is dropped and not looked at again
    }
    return out;
}
} // namespace

QString RemoveDoubleBackslashes(const QString &path)
{
#ifdef Q_OS_WIN
    // A network path keeps its leading pair however many separators it began with.
    if (path.startsWith(Separator)) {
        qsizetype first = 0;
        while (first < path.size() && path[first] == Separator)
            ++first;
        return QString(2, Separator) + collapsePairs(QStringView(path).mid(first));
    }
#endif
    return collapsePairs(path);
}

QString join(const QString &folder, const QString &name)
{
    return folder + Separator + name;
}

} // namespace PathTools
