#pragma once

#include <QString>

// Counts as the status line shows them.
namespace CountText {

// 4975 as "4,975".
QString number(qsizetype n);

// "1 file", "4,975 files": the count and the noun, singular for one.
QString counted(qsizetype n, const QString &singular, const QString &plural);

} // namespace CountText
