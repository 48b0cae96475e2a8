#pragma once

#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>

// One message of a file, as far as a caller may want it besides the text.
struct DecodedMessage
{
    // The mbox "From " line before the message, or empty.
    QByteArray separator;
    // Header fields in file order: the name as written, the value decoded and
    // unfolded (without the name, the colon and the blanks after it).
    std::vector<std::pair<QByteArray, QString>> fields;
};
