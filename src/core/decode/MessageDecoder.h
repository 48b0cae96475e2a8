#pragma once

#include "core/decode/DecodeLimits.h"
#include "core/decode/DecodedFile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

typedef struct _GMimeParserOptions GMimeParserOptions;

// Turns the bytes of one file into its decoded text, the way a mail program
// shows it: header fields decoded, an empty line, then the body by its parts
// (text decoded to UTF-8, HTML as plain text, one line for each attachment).
// A file that is no message is read as plain text.
//
// One object per thread: it owns GMime state that is not shared. Many
// objects may decode at once on different threads.
class MessageDecoder
{
public:
    MessageDecoder();
    ~MessageDecoder();
    MessageDecoder(const MessageDecoder &) = delete;
    MessageDecoder &operator=(const MessageDecoder &) = delete;

    // fileName decides only between one message (a name ending ".eml") and a
    // mailbox of several (any other name, if the file begins with "From ").
    DecodedFile decode(QByteArrayView bytes, const QString &fileName, const DecodeLimits &limits = {});

    // The header fields of each message of a file, decoded and unfolded as
    // decode() gives them, without the bodies (text stays empty). A file
    // that is no message has no messages.
    DecodedFile decodeHeaders(QByteArrayView bytes, const QString &fileName);

    // A file without a header: each line UTF-8 where valid, else windows-1252, line ends
    // made "\n".
    static QByteArray plainText(QByteArrayView bytes);

private:
    GMimeParserOptions *m_options;
};
