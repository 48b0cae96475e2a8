// The decoded text of any bytes, named alternately as one message (.eml) and
// as a mailbox: always valid UTF-8 with "\n" line ends, the same on a second
// decoding, and a file that is no message or could not be decoded gives
// exactly its plain-text reading.

#include "FuzzCheck.h"
#include "decode/HeaderSection.h"
#include "decode/MimeDecoder.h"
#include "decode/TextCharset.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    static MimeDecoder decoder;
    static bool asMailbox = false;
    asMailbox = !asMailbox;
    const QString name = asMailbox ? QStringLiteral("x.mbox") : QStringLiteral("x.eml");
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    const DecodedFile file = decoder.decode(bytes, name);
    FUZZ_CHECK(TextCharset::isValidUtf8(file.text));
    FUZZ_CHECK(!file.text.contains('\r'));
    FUZZ_CHECK(file.text.isEmpty() || file.text.endsWith('\n'));

    const bool message = HeaderSection::looksLikeMessage(bytes);
    if (file.fellBack || !message) {
        FUZZ_CHECK(file.messages.empty());
        FUZZ_CHECK(file.text == MimeDecoder::plainText(bytes));
    } else {
        FUZZ_CHECK(!file.messages.empty());
        // One file named .eml is one message; its first line, if a "From "
        // line, is the first line of the text.
        if (!asMailbox)
            FUZZ_CHECK(file.messages.size() == 1);
        const QByteArray &separator = file.messages.front().separator;
        FUZZ_CHECK(separator.isEmpty() == !bytes.startsWith("From "));
        QByteArray shown = TextCharset::utf8OrWindows1252(separator);
        shown.replace('\r', ' ');
        FUZZ_CHECK(file.text.startsWith(shown));
        for (const DecodedMessage &m : file.messages)
            for (const auto &field : m.fields) {
                FUZZ_CHECK(!field.first.isEmpty() && !field.first.contains(':'));
                FUZZ_CHECK(!field.second.contains(u'\r') && !field.second.contains(u'\n'));
            }
    }

    // No state carried from one file to the next.
    FUZZ_CHECK(decoder.decode(bytes, name).text == file.text);
    return 0;
}
