#include "FolderScan.h"

#include "FileAttributes.h"
#include "FileTests.h"
#include "FolderListing.h"
#include "core/app/ErrorTrap.h"
#include "core/app/EventPump.h"
#include "core/app/PathTools.h"

#include <QFileInfo>

#include <vector>

namespace {

// Folders whose attributes are exactly 22 or 1046 are not descended into;
// a root folder always is.
bool notDescendedInto(const QString &folder, const QFileInfo &info)
{
    // Both values include the hidden attribute, which only a name beginning
    // with "." has: other folders need not be examined further.
    QStringView name = folder;
    while (name.size() > 1 && name.endsWith(PathTools::Separator))
        name.chop(1);
    if (!name.mid(name.lastIndexOf(PathTools::Separator) + 1).startsWith(u'.'))
        return false;
    if (IsRootFolder(folder))
        return false;
    const int attributes = FileAttributes(info);
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
{ }

bool FolderScan::examine(const QString &folder, QStringList &found)
{
    const QFileInfo info(folder);
    if (!info.isDir()) {
        m_passesUp.insert(folder, false);
        return true;
    }

    // A folder reached a second time (through a link) is dropped, so that a
    // link back to a parent cannot make the scan go round for ever.
    QString canonical = m_knownCanonical.take(folder);
    if (canonical.isEmpty())
        canonical = info.canonicalFilePath();
    if (!canonical.isEmpty()) {
        if (m_taken.contains(canonical))
            return false;
        m_taken.insert(canonical);
    }

    const bool descended = !notDescendedInto(folder, info);
    m_passesUp.insert(folder, descended);
    if (folder.size() >= LengthLimit)
        return true;
    EventPump::yield();
    if (stopping() || !descended)
        return true;

    // Missing or unreadable: the folder leaves the list, so none of its files
    // are looked for either.
    if (!info.exists() || !info.isReadable() || !info.isExecutable())
        return false;

    const QString canonicalPrefix
        = canonical.endsWith(PathTools::Separator) ? canonical : canonical + PathTools::Separator;
    FolderContents contents = ListFolderContents(folder, m_filePattern);
    if (!m_filePattern.isEmpty()) {
        m_filesFound += contents.files.size();
        if (m_report)
            m_report(folder, m_filesFound);
        m_keptFiles.insert(folder, std::move(contents.files));
    }
    for (const Subfolder &subfolder : std::as_const(contents.subfolders)) {
        EventPump::yield();
        if (stopping())
            break;
        if (!eligibleSubfolderName(subfolder.name))
            continue;
        const QString path = folder + subfolder.name + PathTools::Separator;
        found.append(path);
        if (!canonical.isEmpty() && !subfolder.isLink)
            m_knownCanonical.insert(path, canonicalPrefix + subfolder.name);
    }
    return true;
}

const QStringList *FolderScan::keptFiles(const QString &folder, const QString &pattern) const
{
    if (pattern != m_filePattern)
        return nullptr;
    const auto kept = m_keptFiles.constFind(folder);
    return kept == m_keptFiles.constEnd() ? nullptr : &*kept;
}

bool FolderScan::passesUp(const QString &folder)
{
    const auto known = m_passesUp.constFind(folder);
    if (known != m_passesUp.constEnd())
        return *known;
    const QFileInfo info(folder);
    return info.isDir() && !notDescendedInto(folder, info);
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
            if (!passesUp(found[i]))
                return;
            EventPump::yield();
            folderList.append(found[i]);
        });
    }
}

void GetSubDirectories2016(QStringList &folderList, bool recurse, Prompts &prompts, std::function<bool()> stopRequested)
{
    FolderScan(prompts, std::move(stopRequested)).GetSubDirectories2016(folderList, recurse);
}
