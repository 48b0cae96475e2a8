#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Folder listings in the order the desktop shows them: by name, ignoring
// letter case (names equal but for case in their exact order). Sorting keeps
// the scan's results the same from run to run, whatever order the file
// system happens to keep its entries in. Each listing yields to the window
// system for every entry it reads, so a folder of 100,000 entries does not
// hold up the window.

// GetFilesInFolder: the names (not paths) of the openable files of a folder
// whose names match the pattern (see WildcardMatch), hidden files included,
// folders excluded. The folder may end with a separator or not.
QStringList GetFilesInFolder(const QString &folder, const QString &pattern);

// A subfolder, and whether it was reached through a symbolic link.
struct Subfolder
{
    QString name;
    bool isLink = false;
};

// What one reading of a folder finds: its subfolders (hidden ones included,
// links to folders included, "." and ".." not) and, when a file pattern is
// given, the names GetFilesInFolder would give for it. The folder scan reads
// each folder once for both.
struct FolderContents
{
    QList<Subfolder> subfolders;
    QStringList files;
};
FolderContents ListFolderContents(const QString &folder, const QString &filePattern = QString());

// Sorts names the way the listings above return them.
void SortLikeListing(QStringList &names);
