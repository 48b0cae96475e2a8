#pragma once

#include "core/decode/MessageDecoding.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

typedef struct _GMimeParserOptions GMimeParserOptions;

// The message decoder: GMime parses the message, libxml2 reads its HTML
// parts (the whole of what MessageDecoder describes).
//
// One object per thread: it owns GMime state that is not shared. Many
// objects may decode at once on different threads.
class MimeDecoder final : public MessageDecoding
{
public:
    MimeDecoder();
    ~MimeDecoder() override;
    MimeDecoder(const MimeDecoder &) = delete;
    MimeDecoder &operator=(const MimeDecoder &) = delete;

    DecodedFile decode(QByteArrayView bytes, const QString &fileName, const DecodeLimits &limits = {}) override;
    DecodedFile decodeHeaders(QByteArrayView bytes, const QString &fileName) override;

    // A file without a header: each line UTF-8 where valid, else windows-1252, line ends
    // made "\n".
    static QByteArray plainText(QByteArrayView bytes);

private:
    GMimeParserOptions *m_options;
};
