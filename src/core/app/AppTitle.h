#pragma once

#include <QString>

// The application title derived from the product name: the text is cut
// before its last blank at least once, and again while it is longer than 40
// characters. A name without a blank stays whole.
QString SetApplicationTitle(const QString &productName);

inline const QString ProductName = QStringLiteral("Tollervane");
