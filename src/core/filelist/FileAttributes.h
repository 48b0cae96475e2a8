#pragma once

#include <QFileInfo>
#include <QString>

// File attributes in the desktop's numbering, mapped onto this platform:
// folder 16; hidden 2 for a name beginning with "."; archive 32 for every
// regular file; read-only 1 when the owner may not write; system 4 never;
// alias 1024 for a symbolic link. A plain file reads 32, a dot-file 34, a
// dot-folder 18.
namespace FileAttribute {
inline constexpr int ReadOnly = 1;
inline constexpr int Hidden = 2;
inline constexpr int System = 4;
inline constexpr int Folder = 16;
inline constexpr int Archive = 32;
inline constexpr int Alias = 1024;

// Files with exactly these attributes are never added to the file list.
inline constexpr int SkippedFile = Hidden | Archive; // 34
// Folders with exactly these attributes are not descended into.
inline constexpr int SkippedFolder = Folder | System | Hidden; // 22
inline constexpr int SkippedAliasFolder = Alias | Folder | System | Hidden; // 1046
} // namespace FileAttribute

// The attributes of a path, or -1 when they cannot be read (missing path).
int FileAttributes(const QFileInfo &info);
int FileAttributes(const QString &path);

// True for the top folder of the file system ("/", also written "//"), and
// for drive or share roots where the desktop has them.
bool IsRootFolder(const QString &path);
