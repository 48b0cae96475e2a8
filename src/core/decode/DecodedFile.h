#pragma once

#include "core/decode/DecodedMessage.h"

#include <QByteArray>

#include <vector>

// What a mail program would show of one file, as UTF-8 text.
struct DecodedFile
{
    // Valid UTF-8; every line ends with "\n".
    QByteArray text;
    // One per message; empty for a file with no header.
    std::vector<DecodedMessage> messages;
    // The file could not be decoded within the limits: text is the file read
    // as plain text (UTF-8 where valid, else windows-1252).
    bool fellBack = false;
};
