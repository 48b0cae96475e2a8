#include "FileAddingLoop.h"

#include "FileAttributes.h"
#include "FileListModel.h"
#include "FolderListing.h"
#include "app/EventPump.h"
#include "app/PathTools.h"

void AddFilesInFolderList(const QStringList &folderList, const QString &pattern, FileListModel &list,
                          const std::function<bool()> &stopRequested)
{
    for (const QString &entry : folderList) {
        if (stopRequested && stopRequested())
            return;
        const QString folder = entry.chopped(1); // without its trailing separator
        QStringList batch;
        for (const FolderFile &file : ListFilesInFolder(folder, pattern)) {
            if (file.name.startsWith(u'~'))
                continue;
            // Only a name beginning with "." can have the hidden attribute,
            // so other files need not be examined further.
            if (file.name.startsWith(u'.') && FileAttributes(file.info) == FileAttribute::SkippedFile)
                continue;
            batch.append(PathTools::RemoveDoubleBackslashes(PathTools::join(folder, file.name)));
        }
        list.append(batch);
        EventPump::yield();
    }
}
