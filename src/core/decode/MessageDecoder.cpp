#include "MessageDecoder.h"

#include "core/app/AppFailure.h"
#include "core/app/ProgramModule.h"
#include "core/decode/MessageDecoding.h"

// Resolved when the program links the decoder in (the tests, the tools);
// otherwise null, and the decoder module is loaded.
extern "C" MessageDecoding *tollervane_new_message_decoding() __attribute__((weak));

namespace {

struct LoadedDecoder
{
    NewMessageDecoding *create = nullptr;
    QString failure;
};

const LoadedDecoder &loadedDecoder()
{
    // Loaded once, by whichever thread asks first.
    static const LoadedDecoder loaded = [] {
        LoadedDecoder result;
        if (tollervane_new_message_decoding) {
            result.create = tollervane_new_message_decoding;
            return result;
        }
        QString why;
        result.create = reinterpret_cast<NewMessageDecoding *>(
            ProgramModule::symbol(TOLLERVANE_DECODER_MODULE, "tollervane_new_message_decoding", why));
        if (!result.create)
            result.failure = QStringLiteral("Cannot load the message decoder: ") + why;
        return result;
    }();
    return loaded;
}

} // namespace

MessageDecoder::MessageDecoder() = default;

MessageDecoder::~MessageDecoder() = default;

bool MessageDecoder::load(QString *why)
{
    const LoadedDecoder &loaded = loadedDecoder();
    if (!loaded.create && why)
        *why = loaded.failure;
    return loaded.create != nullptr;
}

MessageDecoding &MessageDecoder::decoding()
{
    if (!m_decoding) {
        const LoadedDecoder &loaded = loadedDecoder();
        if (!loaded.create)
            throw AppFailure(loaded.failure);
        m_decoding.reset(loaded.create());
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
