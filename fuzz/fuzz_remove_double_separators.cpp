// Tidying joined paths: no pair of separators is left where the input had an
// even run, runs shrink as documented, and tidying changes nothing else.

#include "FuzzCheck.h"
#include "core/app/PathTools.h"

#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    const QString path = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString tidied = PathTools::RemoveDoubleBackslashes(path);
    FUZZ_CHECK(tidied.size() <= path.size());
    // Everything but the separators is kept, in order.
    QString withoutSeparators = path;
    withoutSeparators.remove(PathTools::Separator);
    QString tidiedWithout = tidied;
    tidiedWithout.remove(PathTools::Separator);
    FUZZ_CHECK(withoutSeparators == tidiedWithout);
    // A run of n separators becomes ceil(n / 2).
    qsizetype i = 0, j = 0;
    while (i < path.size()) {
        if (path[i] != PathTools::Separator) {
            FUZZ_CHECK(j < tidied.size() && tidied[j] == path[i]);
            ++i;
            ++j;
            continue;
        }
        qsizetype run = 0;
        while (i < path.size() && path[i] == PathTools::Separator) {
            ++run;
            ++i;
        }
        qsizetype kept = 0;
        while (j < tidied.size() && tidied[j] == PathTools::Separator) {
            ++kept;
            ++j;
        }
        FUZZ_CHECK(kept == (run + 1) / 2);
    }
    FUZZ_CHECK(j == tidied.size());
    return 0;
}
