#include "FolderListing.h"

#include "FileTests.h"
#include "WildcardMatch.h"
#include "app/EventPump.h"
#include "app/PathTools.h"

#include <QDirIterator>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

// Folding each name once and sorting indices keeps a sort of 100,000 names
// to a few milliseconds.
std::vector<qsizetype> listingOrder(const QStringList &names)
{
    std::vector<QString> folded;
    folded.reserve(size_t(names.size()));
    for (const QString &name : names)
        folded.push_back(name.toCaseFolded());
    std::vector<qsizetype> order(size_t(names.size()));
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        const int byFolded = QString::compare(folded[size_t(a)], folded[size_t(b)], Qt::CaseSensitive);
        if (byFolded != 0)
            return byFolded < 0;
        return QString::compare(names[a], names[b], Qt::CaseSensitive) < 0;
    });
    return order;
}

QString withoutTrailingSeparator(const QString &folder)
{
    return folder.endsWith(PathTools::Separator) && folder.size() > 1 ? folder.chopped(1) : folder;
}

} // namespace

void SortLikeListing(QStringList &names)
{
    const std::vector<qsizetype> order = listingOrder(names);
    QStringList sorted;
    sorted.reserve(names.size());
    for (qsizetype i : order)
        sorted.append(names[i]);
    names = std::move(sorted);
}

QList<FolderFile> ListFilesInFolder(const QString &folder, const QString &pattern)
{
    QStringList names;
    QList<QFileInfo> infos;
    QDirIterator it(withoutTrailingSeparator(folder), QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        EventPump::yield();
        const QString name = it.fileName();
        if (!WildcardMatch(pattern, name))
            continue;
        const QFileInfo info = it.fileInfo();
        if (!IsOpenableFile(info))
            continue;
        names.append(name);
        infos.append(info);
    }

    QList<FolderFile> files;
    files.reserve(names.size());
    for (qsizetype i : listingOrder(names))
        files.append(FolderFile{names[i], infos[i]});
    return files;
}

QStringList GetFilesInFolder(const QString &folder, const QString &pattern)
{
    QStringList names;
    for (const FolderFile &file : ListFilesInFolder(folder, pattern))
        names.append(file.name);
    return names;
}

QStringList ListSubfolderNames(const QString &folder)
{
    QStringList names;
    QDirIterator it(withoutTrailingSeparator(folder), QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        EventPump::yield();
        names.append(it.fileName());
    }
    SortLikeListing(names);
    return names;
}
