#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class FileListModel;
class FolderScan;

// The pattern of "Add All EML Files In Folder", and the one a dropped folder
// is scanned with: every file, whatever its name.
inline const QString EmlFilePattern = QStringLiteral("*.eml");
inline const QString EveryFilePattern = QStringLiteral("*");

// The file-adding loop: for each folder of a scanned folder list (paths
// ending in the separator), in order, appends the folder's files that match
// the pattern to the file list, as folder + separator + name tidied by
// RemoveDoubleBackslashes. Skipped: names beginning with "~" (temporary
// files), files that cannot be opened and files whose attributes are exactly
// 34 (hidden and archive: a plain dot-file here). Nothing is checked against
// the rows already listed. Each folder's files are appended in one batch.
// A folder that the scan has already read (see FolderScan::keepFilesMatching)
// is not read again. stopRequested, when given, ends the loop early (the
// program is closing).
void AddFilesInFolderList(const QStringList &folderList, const QString &pattern, FileListModel &list,
    const FolderScan *scan = nullptr, const std::function<bool()> &stopRequested = {});
