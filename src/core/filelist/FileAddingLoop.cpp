#include "FileAddingLoop.h"

#include "FileAttributes.h"
#include "FileListModel.h"
#include "FolderListing.h"
#include "FolderScan.h"
#include "core/app/EventPump.h"
#include "core/app/PathTools.h"

void AddFilesInFolderList(const QStringList &folderList, const QString &pattern, FileListModel &list,
    const FolderScan *scan, const std::function<bool()> &stopRequested)
{
    for (const QString &entry : folderList) {
        if (stopRequested && stopRequested())
            return;
        const QString folder = entry.chopped(1); // without its trailing separator
        QStringList batch;
        const QStringList *kept = scan ? scan->keptFiles(entry, pattern) : nullptr;
        const QStringList names = kept ? *kept : GetFilesInFolder(folder, pattern);
        for (const QString &name : names) {
            EventPump::yield();
            if (name.startsWith(u'~'))
                continue;
            const QString path = PathTools::join(folder, name);
            // Only a name beginning with "." can have the hidden attribute, so
            // other files need not be examined again.
            if (name.startsWith(u'.') && FileAttributes(path) == FileAttribute::SkippedFile)
                continue;
            batch.append(PathTools::RemoveDoubleBackslashes(path));
        }
        list.append(batch);
        EventPump::yield();
    }
}
