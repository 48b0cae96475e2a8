#include "FolderScan.h"

#include "FileAttributes.h"
#include "FileTests.h"
#include "FolderListing.h"
#include "app/ErrorTrap.h"
#include "app/EventPump.h"
#include "app/PathTools.h"

#include <QFileInfo>

#include <vector>

namespace {

bool notDescendedInto(const QString &folder)
{
    if (IsRootFolder(folder))
        return false;
    const int attributes = FileAttributes(folder);
    return attributes == FileAttribute::SkippedFolder || attributes == FileAttribute::SkippedAliasFolder;
}

bool eligibleSubfolderName(const QString &name)
{
    return name.size() < FolderScan::LengthLimit && !NameHasOddCharacters(name) && !name.contains(u'?')
        && name != QStringLiteral(".") && name != QStringLiteral("..");
}

// Removes the entries at the given ascending positions in one pass.
void removeAt(QStringList &list, const std::vector<qsizetype> &positions)
{
    if (positions.empty())
        return;
    QStringList kept;
    kept.reserve(list.size() - qsizetype(positions.size()));
    size_t next = 0;
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (next < positions.size() && positions[next] == i) {
            ++next;
            continue;
        }
        kept.append(list[i]);
    }
    list = std::move(kept);
}

} // namespace

FolderScan::FolderScan(Prompts &prompts, std::function<bool()> stopRequested)
    : m_prompts(prompts)
    , m_stopRequested(std::move(stopRequested))
{
}

bool FolderScan::examine(const QString &folder, QStringList &found)
{
    if (!IsDirectory(folder))
        return true;

    // A folder reached a second time (through a link) is dropped, so that a
    // link back to a parent cannot make the scan go round for ever.
    const QFileInfo info(folder);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty()) {
        if (m_taken.contains(canonical))
            return false;
        m_taken.insert(canonical);
    }

    if (folder.size() >= LengthLimit)
        return true;
    EventPump::yield();
    if (stopping() || notDescendedInto(folder))
        return true;

    // Missing or unreadable: the folder leaves the list, so none of its files
    // are looked for either.
    if (!info.exists() || !info.isReadable() || !info.isExecutable())
        return false;

    const QStringList names = ListSubfolderNames(folder);
    for (const QString &name : names) {
        EventPump::yield();
        if (stopping())
            break;
        if (eligibleSubfolderName(name))
            found.append(folder + name + PathTools::Separator);
    }
    return true;
}

void FolderScan::GetSubDirectories2016(QStringList &folderList, bool recurse)
{
    ErrorTrap trap(m_prompts, QStringLiteral("AddFolder.GetSubDirectories2016"), QStringLiteral("Brannoch"));
    QStringList found;
    std::vector<qsizetype> removed;

    const QStringList entries = folderList;
    for (qsizetype i = 0; i < entries.size() && !stopping(); ++i) {
        trap.step(100, [&] {
            if (!examine(entries[i], found))
                removed.push_back(i);
        });
    }
    trap.step(102, [&] { removeAt(folderList, removed); });

    if (recurse && !found.isEmpty() && !stopping())
        trap.step(104, [&] { GetSubDirectories2016(found, true); });

    for (qsizetype i = 0; i < found.size() && !stopping(); ++i) {
        trap.step(106, [&] {
            const QString &folder = found[i];
            if (!IsDirectory(folder))
                return;
            EventPump::yield();
            if (!notDescendedInto(folder))
                folderList.append(folder);
        });
    }
}

void GetSubDirectories2016(QStringList &folderList, bool recurse, Prompts &prompts,
                           std::function<bool()> stopRequested)
{
    FolderScan(prompts, std::move(stopRequested)).GetSubDirectories2016(folderList, recurse);
}
