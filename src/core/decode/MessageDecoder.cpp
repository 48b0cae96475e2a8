#include "MessageDecoder.h"

#include "core/app/AppFailure.h"
#include "core/app/ProgramModule.h"
#include "core/decode/MessageDecoding.h"

// Resolved when the program links the decoder in (the tests, the tools);
// otherwise null, and the decoder module is loaded.
extern "C" MessageDecoding *tollervane_new_message_decoding() __attribute__((weak));

namespace {

// Loaded once, by whichever thread asks first.
const ProgramModule::Entry &decoderEntry()
{
    static const ProgramModule::Entry entry
        = ProgramModule::entry(reinterpret_cast<void *>(tollervane_new_message_decoding), TOLLERVANE_DECODER_MODULE,
            "tollervane_new_message_decoding", QStringLiteral("the message decoder"));
    return entry;
}

} // namespace

MessageDecoder::MessageDecoder() = default;

MessageDecoder::~MessageDecoder() = default;

bool MessageDecoder::load(QString *why)
{
    const ProgramModule::Entry &entry = decoderEntry();
    if (!entry.address && why)
        *why = entry.failure;
    return entry.address != nullptr;
}

MessageDecoding &MessageDecoder::decoding()
{
    if (!m_decoding) {
        const ProgramModule::Entry &entry = decoderEntry();
        if (!entry.address)
            throw AppFailure(entry.failure);
        m_decoding.reset(reinterpret_cast<NewMessageDecoding *>(entry.address)());
    }
    return *m_decoding;
}

DecodedFile MessageDecoder::decode(QByteArrayView bytes, const QString &fileName, const DecodeLimits &limits)
{
    return decoding().decode(bytes, fileName, limits);
}

DecodedFile MessageDecoder::decodeHeaders(QByteArrayView bytes, const QString &fileName)
{
    return decoding().decodeHeaders(bytes, fileName);
}
