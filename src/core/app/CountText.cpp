#include "CountText.h"

#include <QLocale>

QString CountText::number(qsizetype n)
{
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    return english.toString(qlonglong(n));
}

QString CountText::counted(qsizetype n, const QString &singular, const QString &plural)
{
    return number(n) + QLatin1Char(' ') + (n == 1 ? singular : plural);
}
