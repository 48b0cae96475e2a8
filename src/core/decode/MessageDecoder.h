#pragma once

#include "core/decode/DecodeLimits.h"
#include "core/decode/DecodedFile.h"

#include <QByteArrayView>
#include <QString>

#include <memory>

class MessageDecoding;

// Turns the bytes of one file into its decoded text, the way a mail program
// shows it: header fields decoded, an empty line, then the body by its parts
// (text decoded to UTF-8, HTML as plain text, one line for each attachment).
// A file that is no message is read as plain text.
//
// The decoder is loaded on first use: linked into the program, or else from
// the decoder module installed beside it. One object per thread: it owns
// parser state that is not shared. Many objects may decode at once on
// different threads.
class MessageDecoder
{
public:
    MessageDecoder();
    ~MessageDecoder();
    MessageDecoder(const MessageDecoder &) = delete;
    MessageDecoder &operator=(const MessageDecoder &) = delete;

    // Loads the decoder if it is not loaded yet; false, with the reason in
    // why, when it cannot be loaded.
    static bool load(QString *why = nullptr);

    // fileName decides only between one message (a name ending ".eml") and a
    // mailbox of several (any other name, if the file begins with "From ").
    // Both throw AppFailure when the decoder cannot be loaded.
    DecodedFile decode(QByteArrayView bytes, const QString &fileName, const DecodeLimits &limits = {});

    // The header fields of each message of a file, decoded and unfolded as
    // decode() gives them, without the bodies (text stays empty). A file
    // that is no message has no messages.
    DecodedFile decodeHeaders(QByteArrayView bytes, const QString &fileName);

private:
    MessageDecoding &decoding();

    std::unique_ptr<MessageDecoding> m_decoding;
};
