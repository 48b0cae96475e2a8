#include "AppTitle.h"

QString SetApplicationTitle(const QString &productName)
{
    QString title = productName;
    bool cutOnce = false;
    while (!cutOnce || title.size() > 40) {
        const qsizetype lastBlank = title.lastIndexOf(QLatin1Char(' '));
        if (lastBlank < 0)
            break; // nothing left to cut at
        title.truncate(lastBlank);
        cutOnce = true;
    }
    return title;
}
