#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

// The lines of a text found the slow way, one byte at a time: CR LF, CR
// alone and LF alone each end a line; bytes after the last line end make the
// last line; a line end at the very end adds nothing, so an empty text has
// no lines at all.
inline std::vector<QByteArray> referenceLines(QByteArrayView bytes)
{
    std::vector<QByteArray> lines;
    QByteArray current;
    bool pending = false; // bytes seen since the last line end
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(current);
            current.clear();
            pending = false;
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else {
            current.append(c);
            pending = true;
        }
    }
    if (pending)
        lines.push_back(current);
    return lines;
}
