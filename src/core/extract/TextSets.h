#pragma once

#include <QString>
#include <QStringList>

class Prompts;

// The text-set list as it is stored and loaded.
namespace TextSets {

// Stored form: the sets in list order with this between neighbours. There
// is no escaping: a set holding it comes back as several sets.
inline const QString Delimiter = QStringLiteral("!!!QUIRL!!!");

// Every piece between delimiters, empty pieces included; an empty value
// gives no sets at all.
QStringList split(const QString &stored);
QString join(const QStringList &sets);

} // namespace TextSets

// Appends the lines of a text file that are not blank (spaces only; a line
// of tabs is a set) to the set list, each as it stands, untrimmed. The file is read with the
// line reader; a path that does not exist shows "File not found" instead.
void LoadSetItemsFromFile(QStringList &setList, const QString &path, Prompts &prompts);
