#pragma once

#include "core/decode/DecodeLimits.h"
#include "core/decode/DecodedFile.h"

#include <QByteArrayView>
#include <QString>

// What the message decoder does, as the programs see it. The decoder itself
// (GMime and libxml2, with the libraries they bring) lives in a module of its
// own that a program loads the first time it decodes, so that a run that
// never decodes does not pay for loading them (MessageDecoder).
class MessageDecoding
{
public:
    virtual ~MessageDecoding() = default;
    virtual DecodedFile decode(QByteArrayView bytes, const QString &fileName, const DecodeLimits &limits) = 0;
    virtual DecodedFile decodeHeaders(QByteArrayView bytes, const QString &fileName) = 0;
};

// The module's one entry point, tollervane_new_message_decoding(): a new
// decoder for the calling thread.
using NewMessageDecoding = MessageDecoding *();
