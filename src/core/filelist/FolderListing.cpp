#include "FolderListing.h"

#include "FileTests.h"
#include "WildcardMatch.h"
#include "core/app/EventPump.h"
#include "core/app/PathTools.h"

#include <QDirIterator>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

// A merge sort that yields to the window system as it goes: runs of a few
// thousand entries are sorted at once, then merged pairwise, so a folder of
// 100,000 names never holds up the window for long.
template <class Less> void sortYielding(std::vector<qsizetype> &items, Less less)
{
    constexpr size_t Run = 2048;
    const size_t n = items.size();
    for (size_t from = 0; from < n; from += Run) {
        std::sort(items.begin() + ptrdiff_t(from), items.begin() + ptrdiff_t(std::min(n, from + Run)), less);
        EventPump::yield();
    }
    std::vector<qsizetype> merged(n);
    for (size_t width = Run; width < n; width *= 2) {
        size_t out = 0;
        for (size_t left = 0; left < n; left += 2 * width) {
            const size_t middle = std::min(n, left + width);
            const size_t end = std::min(n, left + 2 * width);
            size_t a = left;
            size_t b = middle;
            while (a < middle || b < end) {
                // Ties take the left run first, so the sort is stable.
                if (b == end || (a < middle && !less(items[b], items[a])))
                    merged[out++] = items[a++];
                else
                    merged[out++] = items[b++];
                if ((out & 1023) == 0)
                    EventPump::yield();
            }
        }
        items.swap(merged);
    }
}

// The positions of the names in listing order. Each name is folded once.
std::vector<qsizetype> listingOrder(const QStringList &names)
{
    std::vector<QString> folded;
    folded.reserve(size_t(names.size()));
    for (const QString &name : names) {
        folded.push_back(name.toCaseFolded());
        EventPump::yield();
    }
    std::vector<qsizetype> order(size_t(names.size()));
    std::iota(order.begin(), order.end(), 0);
    sortYielding(order, [&](qsizetype a, qsizetype b) {
        const int byFolded = QString::compare(folded[size_t(a)], folded[size_t(b)], Qt::CaseSensitive);
        if (byFolded != 0)
            return byFolded < 0;
        return QString::compare(names[a], names[b], Qt::CaseSensitive) < 0;
    });
    return order;
}

// Calls take(name, info) for every entry of a folder. Every kind of entry is
// read and sorted out here rather than by the iterator's filters, so that the
// loop yields for each one (a filtered iterator reads past every entry it
// skips without coming back).
template <class Take> void forEachEntry(const QString &folder, Take &&take)
{
    const QString start = folder.endsWith(PathTools::Separator) && folder.size() > 1 ? folder.chopped(1) : folder;
    QDirIterator it(start, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        EventPump::yield();
        take(it.fileName(), it.fileInfo());
    }
}

} // namespace

void SortLikeListing(QStringList &names)
{
    QStringList sorted;
    sorted.reserve(names.size());
    for (qsizetype i : listingOrder(names))
        sorted.append(names[i]);
    names = std::move(sorted);
}

QStringList GetFilesInFolder(const QString &folder, const QString &pattern)
{
    QStringList names;
    forEachEntry(folder, [&](const QString &name, const QFileInfo &info) {
        if (WildcardMatch(pattern, name) && IsOpenableFile(info))
            names.append(name);
    });
    SortLikeListing(names);
    return names;
}

FolderContents ListFolderContents(const QString &folder, const QString &filePattern)
{
    FolderContents contents;
    QStringList folderNames;
    QList<bool> links;
    forEachEntry(folder, [&](const QString &name, const QFileInfo &info) {
        if (info.isDir()) {
            folderNames.append(name);
            links.append(info.isSymLink());
        } else if (!filePattern.isEmpty() && WildcardMatch(filePattern, name) && IsOpenableFile(info)) {
            contents.files.append(name);
        }
    });
    contents.subfolders.reserve(folderNames.size());
    for (qsizetype i : listingOrder(folderNames))
        contents.subfolders.append(Subfolder { folderNames[i], links[i] });
    SortLikeListing(contents.files);
    return contents;
}
