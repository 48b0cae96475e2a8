#pragma once

#include <QFileInfo>
#include <QList>
#include <QString>
#include <QStringList>

// Folder listings in the order the desktop shows them: by name, ignoring
// letter case (names equal but for case in their exact order). Sorting keeps
// the scan's results the same from run to run, whatever order the file
// system happens to keep its entries in.

// A file found in a folder, with what the listing learned about it (so the
// file is examined once, not once per test).
struct FolderFile
{
    QString name;
    QFileInfo info;
};

// The openable files of a folder whose names match the pattern (see
// WildcardMatch), hidden files included, folders excluded. The folder may
// end with a separator or not. Yields to the window system as it goes.
QList<FolderFile> ListFilesInFolder(const QString &folder, const QString &pattern);

// The names (not paths) of the files above.
QStringList GetFilesInFolder(const QString &folder, const QString &pattern);

// The names of a folder's subfolders (hidden ones included, links to
// folders included, "." and ".." not). Yields once for every subfolder.
QStringList ListSubfolderNames(const QString &folder);

// Sorts names the way the listings above return them.
void SortLikeListing(QStringList &names);
