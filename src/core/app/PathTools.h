#pragma once

#include <QString>

// Small path helpers. Paths use the platform's native separator.
namespace PathTools {

inline constexpr QChar Separator = QChar(u'/');

// True for an existing file or folder; never fails.
bool FileExists(const QString &path);

// The part after the last separator; the whole path when there is none.
QString GetFileNameFromPath(const QString &path);

// Tidies a path joined from a folder and a name: pairs of separators
// collapse to one, left to right, without looking again at a replaced spot
// (so three become two and four become two).
QString RemoveDoubleBackslashes(const QString &path);

// folder + separator + name, the way the program joins its relative names.
QString join(const QString &folder, const QString &name);

} // namespace PathTools
