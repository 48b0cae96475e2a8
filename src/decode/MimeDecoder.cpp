#include "decode/MimeDecoder.h"

#include "decode/DeadlineStream.h"
#include "decode/HeaderSection.h"
#include "decode/LibraryInit.h"
#include "decode/MboxSplit.h"
#include "decode/MimeTreeText.h"
#include "decode/TextCharset.h"

#include "decode/GMimeIncludes.h"

#include <limits>
#include <memory>

namespace {

QByteArray withoutLineEnd(QByteArrayView line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line.toByteArray();
}

} // namespace

MimeDecoder::MimeDecoder()
{
    LibraryInit::gmime();
    LibraryInit::libxml();
    m_options = g_mime_parser_options_new();
    g_mime_parser_options_set_rfc2047_compliance_mode(m_options, GMIME_RFC_COMPLIANCE_LOOSE);
    g_mime_parser_options_set_parameter_compliance_mode(m_options, GMIME_RFC_COMPLIANCE_LOOSE);
    g_mime_parser_options_set_address_compliance_mode(m_options, GMIME_RFC_COMPLIANCE_LOOSE);
    const char *fallback[] = { "UTF-8", "windows-1252", nullptr };
    g_mime_parser_options_set_fallback_charsets(m_options, fallback);
}

MimeDecoder::~MimeDecoder()
{
    g_mime_parser_options_free(m_options);
}

QByteArray MimeDecoder::plainText(QByteArrayView bytes)
{
    // Line by line: a file that mixes UTF-8 lines with 8-bit ones (notes
    // pasted together from several places) keeps each line readable.
    QByteArray text;
    if (TextCharset::isValidUtf8(bytes)) {
        text = TextCharset::normaliseLineEnds(bytes);
    } else {
        const QByteArray lines = TextCharset::normaliseLineEnds(bytes);
        text.reserve(lines.size() + lines.size() / 8);
        for (qsizetype start = 0; start < lines.size();) {
            qsizetype end = lines.indexOf('\n', start);
            if (end < 0)
                end = lines.size();
            text.append(TextCharset::utf8OrWindows1252(QByteArrayView(lines).sliced(start, end - start)));
            if (end < lines.size())
                text.append('\n');
            start = end + 1;
        }
    }
    if (!text.isEmpty() && !text.endsWith('\n'))
        text.append('\n');
    return text;
}

DecodedFile MimeDecoder::decodeHeaders(QByteArrayView bytes, const QString &fileName)
{
    DecodedFile result;
    if (!HeaderSection::looksLikeMessage(bytes))
        return result;
    const bool mailbox
        = !fileName.endsWith(QStringLiteral(".eml"), Qt::CaseInsensitive) && HeaderSection::beginsWithFromLine(bytes);
    const std::vector<MboxSplit::Span> spans
        = mailbox ? MboxSplit::split(bytes) : std::vector<MboxSplit::Span> { MboxSplit::single(bytes) };
    MimeTreeText decoder(m_options, {});
    for (const MboxSplit::Span &span : spans) {
        DecodedMessage message;
        message.separator = withoutLineEnd(bytes.sliced(span.separatorStart, span.headerStart - span.separatorStart));
        for (const HeaderSection::Line &line :
            HeaderSection::read(bytes.sliced(span.headerStart, span.end - span.headerStart))) {
            if (line.isField)
                message.fields.emplace_back(line.name, QString::fromUtf8(decoder.decodeFieldValue(line.value)));
        }
        result.messages.push_back(std::move(message));
    }
    return result;
}

DecodedFile MimeDecoder::decode(QByteArrayView bytes, const QString &fileName, const DecodeLimits &limits)
{
    DecodedFile result;
    if (!HeaderSection::looksLikeMessage(bytes)) {
        result.text = plainText(bytes);
        return result;
    }
    const auto fallBack = [&] {
        DecodedFile fallen;
        fallen.text = plainText(bytes);
        fallen.fellBack = true;
        return fallen;
    };
    // GByteArray counts in 32 bits.
    if (bytes.size() > qsizetype(std::numeric_limits<guint>::max()))
        return fallBack();

    const bool mailbox
        = !fileName.endsWith(QStringLiteral(".eml"), Qt::CaseInsensitive) && HeaderSection::beginsWithFromLine(bytes);
    const std::vector<MboxSplit::Span> spans
        = mailbox ? MboxSplit::split(bytes) : std::vector<MboxSplit::Span> { MboxSplit::single(bytes) };

    MimeTreeText out(m_options, limits);
    out.setSource(bytes);
    // Each read of the parser's asks the clock, so a parse that runs long ends.
    const std::unique_ptr<GMimeStream, decltype(&g_object_unref)> input(
        DeadlineStream::create(bytes, [&out] { return out.timeIsUp(); }), &g_object_unref);
    try {
        for (const MboxSplit::Span &span : spans) {
            out.beginMessage();
            DecodedMessage message;
            message.separator
                = withoutLineEnd(bytes.sliced(span.separatorStart, span.headerStart - span.separatorStart));
            if (!message.separator.isEmpty())
                out.appendLine(TextCharset::utf8OrWindows1252(message.separator));

            const QByteArrayView messageBytes = bytes.sliced(span.headerStart, span.end - span.headerStart);
            if (!HeaderSection::looksLikeMessage(messageBytes)) {
                // A message of a mailbox with no header section (a note
                // filed with the mail) is read as a file with no header is;
                // GMime would refuse it, and with it the whole mailbox.
                out.appendBlock(plainText(messageBytes));
                result.messages.push_back(std::move(message));
                continue;
            }
            // The header as it stands in the file: file order, and lines
            // without a colon kept as they are.
            for (const HeaderSection::Line &line : HeaderSection::read(messageBytes)) {
                if (!line.isField) {
                    out.appendLine(TextCharset::utf8OrWindows1252(line.value));
                    continue;
                }
                const QByteArray value = out.decodeFieldValue(line.value);
                const QByteArray name = TextCharset::utf8OrWindows1252(line.name);
                out.appendLine(name + ": " + value);
                message.fields.emplace_back(line.name, QString::fromUtf8(value));
            }
            out.appendLine({});

            GMimeStream *part = g_mime_stream_substream(input.get(), span.headerStart, span.end);
            GMimeParser *parser = g_mime_parser_new_with_stream(part);
            g_object_unref(part);
            g_mime_parser_set_format(parser, GMIME_FORMAT_MESSAGE);
            // Parts refer to the input instead of copying it.
            g_mime_parser_set_persist_stream(parser, TRUE);
            GMimeMessage *parsed = g_mime_parser_construct_message(parser, m_options);
            g_object_unref(parser);
            if (!parsed)
                return fallBack();
            try {
                out.checkTime();
                out.appendBody(parsed, 1);
            } catch (...) {
                g_object_unref(parsed);
                throw;
            }
            g_object_unref(parsed);
            result.messages.push_back(std::move(message));
        }
    } catch (const MimeTreeText::LimitExceeded &) {
        return fallBack();
    }
    result.text = out.takeText();
    return result;
}
