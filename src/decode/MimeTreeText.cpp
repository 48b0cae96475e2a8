#include "decode/MimeTreeText.h"

#include "core/app/LargeBuffers.h"
#include "decode/DeadlineStream.h"
#include "decode/EncodedWords.h"
#include "decode/HeaderSection.h"
#include "decode/HtmlText.h"
#include "decode/TextCharset.h"

#include "decode/GMimeIncludes.h"

#include <QList>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace {

QByteArray lowered(const char *text)
{
    return QByteArray(text ? text : "").toLower();
}

// The value of each base64 character; -1 for a byte outside the alphabet.
constexpr std::array<signed char, 256> base64Values = [] {
    std::array<signed char, 256> values {};
    values.fill(-1);
    const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i)
        values[static_cast<unsigned char>(alphabet[i])] = static_cast<signed char>(i);
    return values;
}();

// Transfer-encoded content is decoded this many bytes at a time, the clock
// asked between pieces.
constexpr qsizetype DecodePiece = qsizetype(1) << 20;

} // namespace

// Base64 as mail holds it: characters outside the alphabet skipped, the
// first "=" the end of the data, and a last group cut short (a sender that
// leaves out the padding) read for the one or two bytes it holds. GMime's
// decoder drops such a group, and with it the last characters of the text.
QByteArray MimeTreeText::undoBase64(QByteArrayView encoded) const
{
    const qsizetype padding = encoded.indexOf('=');
    if (padding >= 0)
        encoded.truncate(padding);
    // Written through a pointer into room for the most it can give.
    QByteArray out = LargeBuffers::uninitialised(encoded.size() / 4 * 3 + 2);
    auto *to = reinterpret_cast<unsigned char *>(out.data());
    const auto *from = reinterpret_cast<const unsigned char *>(encoded.data());
    const auto *const end = from + encoded.size();
    quint32 group = 0;
    int count = 0;
    while (from < end) {
        const auto *const pieceEnd = from + std::min<qsizetype>(end - from, DecodePiece);
        // Four characters of the alphabet at a time while they come so (a
        // line of 76 has nineteen such groups), one at a time around the
        // line ends and whatever else is skipped.
        while (from < pieceEnd) {
            if (count == 0 && pieceEnd - from >= 4) {
                const int a = base64Values[from[0]], b = base64Values[from[1]], c = base64Values[from[2]],
                          d = base64Values[from[3]];
                if ((a | b | c | d) >= 0) {
                    const quint32 four = quint32(a) << 18 | quint32(b) << 12 | quint32(c) << 6 | quint32(d);
                    to[0] = static_cast<unsigned char>(four >> 16);
                    to[1] = static_cast<unsigned char>(four >> 8);
                    to[2] = static_cast<unsigned char>(four);
                    to += 3;
                    from += 4;
                    continue;
                }
            }
            const int value = base64Values[*from++];
            if (value < 0)
                continue;
            group = (group << 6) | quint32(value);
            if (++count == 4) {
                to[0] = static_cast<unsigned char>(group >> 16);
                to[1] = static_cast<unsigned char>(group >> 8);
                to[2] = static_cast<unsigned char>(group);
                to += 3;
                group = 0;
                count = 0;
            }
        }
        checkTime();
    }
    if (count >= 2) {
        group <<= 6 * (4 - count);
        *to++ = static_cast<unsigned char>(group >> 16);
        if (count == 3)
            *to++ = static_cast<unsigned char>(group >> 8);
    }
    out.truncate(to - reinterpret_cast<const unsigned char *>(out.constData()));
    return out;
}

// Quoted-printable and uuencoded content through GMime's own decoder (the
// filter its data wrapper would read the part through), fed from bytes in
// place and written straight into one buffer.
QByteArray MimeTreeText::undoTransferEncoding(QByteArrayView encoded, int encoding) const
{
    // Neither encoding decodes to more bytes than it reads.
    QByteArray out;
    LargeBuffers::reserveAppend(out, encoded.size());
    GMimeFilter *filter = g_mime_filter_basic_new(GMimeContentEncoding(encoding), FALSE);
    const std::unique_ptr<GMimeFilter, decltype(&g_object_unref)> owner(filter, &g_object_unref);
    // Each piece is handed over in a buffer of this function's, as a filter
    // stream would: a filter may take its input as room to work in.
    std::vector<char> piece(size_t(std::min<qsizetype>(encoded.size(), 64 << 10)) + 1);
    char *result = nullptr;
    size_t resultLength = 0;
    size_t resultPrespace = 0;
    qsizetype sinceClock = 0;
    for (qsizetype at = 0; at < encoded.size();) {
        const qsizetype length = std::min<qsizetype>(encoded.size() - at, qsizetype(piece.size()) - 1);
        std::memcpy(piece.data(), encoded.data() + at, size_t(length));
        g_mime_filter_filter(filter, piece.data(), size_t(length), 0, &result, &resultLength, &resultPrespace);
        out.append(result, qsizetype(resultLength));
        at += length;
        if ((sinceClock += length) >= DecodePiece) {
            checkTime();
            sinceClock = 0;
        }
    }
    g_mime_filter_complete(filter, piece.data(), 0, 0, &result, &resultLength, &resultPrespace);
    out.append(result, qsizetype(resultLength));
    return out;
}

// The content of a part with its transfer encoding undone. The parser leaves
// the content in the bytes it was given (it reads a DeadlineStream): content
// without a transfer encoding is that piece of them, shared, not copied, and
// encoded content is decoded from it in place. Content held anywhere else is
// read through GMime.
QByteArray MimeTreeText::decodedContent(GMimePart *part) const
{
    GMimeDataWrapper *content = g_mime_part_get_content(part);
    if (!content)
        return {};
    const GMimeContentEncoding encoding = g_mime_data_wrapper_get_encoding(content);
    const bool base64 = encoding == GMIME_CONTENT_ENCODING_BASE64;
    GMimeStream *stream = g_mime_data_wrapper_get_stream(content);
    if (const std::optional<QByteArrayView> bytes = stream ? DeadlineStream::bytesOf(stream) : std::nullopt) {
        checkTime();
        if (base64)
            return undoBase64(*bytes);
        if (encoding == GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE || encoding == GMIME_CONTENT_ENCODING_UUENCODE)
            return undoTransferEncoding(*bytes, encoding);
        return QByteArray::fromRawData(bytes->data(), bytes->size());
    }
    GMimeStream *sink = g_mime_stream_mem_new();
    if (base64) {
        g_mime_stream_reset(stream);
        g_mime_stream_write_to_stream(stream, sink);
    } else {
        g_mime_data_wrapper_write_to_stream(content, sink);
    }
    GByteArray *bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(sink));
    const QByteArrayView view(reinterpret_cast<const char *>(bytes->data), qsizetype(bytes->len));
    QByteArray out = base64 ? undoBase64(view) : view.toByteArray();
    g_object_unref(sink);
    return out;
}

namespace {

struct HeaderEntry
{
    gint64 offset;
    QByteArray name;
    QByteArray rawValue;
};

void collectHeaders(GMimeObject *object, std::vector<HeaderEntry> &into)
{
    GMimeHeaderList *list = g_mime_object_get_header_list(object);
    const int count = list ? g_mime_header_list_get_count(list) : 0;
    for (int i = 0; i < count; ++i) {
        GMimeHeader *header = g_mime_header_list_get_header_at(list, i);
        const char *raw = g_mime_header_get_raw_value(header);
        into.push_back({ g_mime_header_get_offset(header), QByteArray(g_mime_header_get_name(header)),
            QByteArray(raw ? raw : "") });
    }
}

// Whether GMime could not read the part's Content-Type: it then makes the
// part application/octet-stream ("text", "text/", a quoted type). RFC 2045
// has such a field mean text/plain, which keeps a text the sender's program
// labelled badly readable instead of naming it an attachment.
bool contentTypeUnreadable(GMimeObject *object)
{
    GMimeHeaderList *list = g_mime_object_get_header_list(object);
    GMimeHeader *header = list ? g_mime_header_list_get_header(list, "Content-Type") : nullptr;
    const char *raw = header ? g_mime_header_get_raw_value(header) : nullptr;
    if (!raw)
        return false;
    QByteArray value = QByteArray(raw).toLower();
    value.removeIf([](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
    // Comments before the type, "(...)", nested ones included.
    qsizetype at = 0;
    for (int depth = 0; at < value.size(); ++at) {
        if (value[at] == '(')
            ++depth;
        else if (value[at] == ')' && depth > 0)
            --depth;
        else if (depth == 0)
            break;
    }
    return !QByteArrayView(value).sliced(at).startsWith("application/octet-stream");
}

} // namespace

MimeTreeText::MimeTreeText(GMimeParserOptions *options, const DecodeLimits &limits)
    : m_options(options)
    , m_limits(limits)
{
    m_clock.start();
}

void MimeTreeText::appendLine(QByteArrayView utf8)
{
    // One line it is: a CR or LF inside (a bare CR in a header, one
    // decoded from an encoded word) becomes a space.
    const qsizetype start = m_text.size();
    m_text.append(utf8);
    for (qsizetype i = start; i < m_text.size(); ++i)
        if (m_text[i] == '\r' || m_text[i] == '\n')
            m_text[i] = ' ';
    m_text.append('\n');
}

void MimeTreeText::appendBlock(QByteArrayView utf8)
{
    if (utf8.isEmpty())
        return;
    // Room for the text and the line end it may need, made once.
    LargeBuffers::reserveAppend(m_text, utf8.size() + 1);
    TextCharset::appendNormalisedLineEnds(m_text, utf8);
    if (!m_text.endsWith('\n'))
        m_text.append('\n');
}

void MimeTreeText::beginMessage()
{
    m_clock.start();
    m_parts = 0;
}

bool MimeTreeText::timeIsUp() const
{
    return m_clock.elapsed() >= m_limits.maxMilliseconds;
}

void MimeTreeText::checkTime() const
{
    if (timeIsUp())
        throw LimitExceeded();
}

QByteArray MimeTreeText::decodeFieldValue(QByteArrayView raw) const
{
    // Raw 8-bit bytes first, so that the encoded words are undone in UTF-8
    // text; the words' own bytes are converted from their charsets.
    QByteArray out = decodeEncodedWords(TextCharset::utf8OrWindows1252(raw));
    // A field is one line, whatever its encoded words held.
    out.replace('\r', ' ');
    out.replace('\n', ' ');
    return out;
}

void MimeTreeText::appendBody(GMimeMessage *message, int depth)
{
    if (GMimeObject *body = g_mime_message_get_mime_part(message))
        appendObject(body, depth);
}

void MimeTreeText::appendObject(GMimeObject *object, int depth)
{
    if (++m_parts > m_limits.maxParts || depth > m_limits.maxDepth)
        throw LimitExceeded();
    checkTime();
    if (GMIME_IS_MULTIPART(object))
        appendMultipart(object, depth);
    else if (GMIME_IS_MESSAGE_PART(object)) {
        // A message sent as a named attachment (a forwarded "name.eml") is
        // named like any attachment, then shown.
        const char *fileName = g_mime_object_get_content_disposition_parameter(object, "filename");
        if (!fileName)
            fileName = g_mime_object_get_content_type_parameter(object, "name");
        if (fileName) {
            GMimeContentType *type = g_mime_object_get_content_type(object);
            const QByteArray typeName = lowered(type ? g_mime_content_type_get_media_type(type) : "message") + '/'
                + lowered(type ? g_mime_content_type_get_media_subtype(type) : "rfc822");
            appendLine(
                "Attachment: " + TextCharset::repairUtf8(fileName) + " (" + TextCharset::repairUtf8(typeName) + ')');
        }
        if (GMimeMessage *message = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object)))
            appendEnclosedMessage(message, m_source, depth + 1);
    } else if (GMIME_IS_PART(object))
        appendLeaf(object, depth);
}

void MimeTreeText::appendMultipart(GMimeObject *object, int depth)
{
    GMimeMultipart *multipart = GMIME_MULTIPART(object);
    const int count = g_mime_multipart_get_count(multipart);
    if (count == 0) {
        // The boundary never came: everything is in the prologue. Show it
        // rather than lose the body.
        const char *prologue = g_mime_multipart_get_prologue(multipart);
        appendBlock(TextCharset::utf8OrWindows1252(prologue ? prologue : ""));
        return;
    }
    GMimeContentType *type = g_mime_object_get_content_type(object);
    if (lowered(type ? g_mime_content_type_get_media_subtype(type) : nullptr) == "alternative") {
        // The first plain-text alternative, else the last (the richest).
        GMimeObject *chosen = g_mime_multipart_get_part(multipart, count - 1);
        for (int i = 0; i < count; ++i) {
            GMimeObject *part = g_mime_multipart_get_part(multipart, i);
            GMimeContentType *partType = g_mime_object_get_content_type(part);
            if (!partType || g_mime_content_type_is_type(partType, "text", "plain")) {
                chosen = part;
                break;
            }
        }
        appendObject(chosen, depth + 1);
        return;
    }
    for (int i = 0; i < count; ++i)
        appendObject(g_mime_multipart_get_part(multipart, i), depth + 1);
}

void MimeTreeText::appendLeaf(GMimeObject *object, int depth)
{
    GMimePart *part = GMIME_PART(object);
    GMimeContentType *contentType = g_mime_object_get_content_type(object);
    QByteArray type = lowered(contentType ? g_mime_content_type_get_media_type(contentType) : nullptr);
    QByteArray subtype = lowered(contentType ? g_mime_content_type_get_media_subtype(contentType) : nullptr);
    if (type.isEmpty() || (type == "application" && subtype == "octet-stream" && contentTypeUnreadable(object))) {
        type = "text";
        subtype = "plain";
    }
    const bool isText = type == "text" || type == "message";
    const char *fileName = g_mime_part_get_filename(part);
    if (fileName || !isText) {
        const QByteArray name = fileName ? TextCharset::repairUtf8(fileName) : QByteArray("unnamed");
        appendLine("Attachment: " + name + " (" + TextCharset::repairUtf8(type + '/' + subtype) + ')');
    }
    if (!isText)
        return;

    const QByteArray content = decodedContent(part);
    checkTime();
    if (type == "message" && (subtype == "rfc822" || subtype == "global")) {
        appendMessageFromBytes(content, depth + 1);
        return;
    }
    const char *charset = g_mime_object_get_content_type_parameter(object, "charset");
    const QByteArray text = TextCharset::decode(content, charset ? QByteArrayView(charset) : QByteArrayView());
    if (type == "text" && subtype == "html")
        appendBlock(HtmlText::toText(text));
    else
        appendBlock(text);
}

void MimeTreeText::appendHeaderLines(QByteArrayView headerSection)
{
    for (const HeaderSection::Line &line : HeaderSection::read(headerSection)) {
        if (line.isField)
            appendLine(TextCharset::utf8OrWindows1252(line.name) + ": " + decodeFieldValue(line.value));
        else
            appendLine(TextCharset::utf8OrWindows1252(line.value));
    }
}

void MimeTreeText::appendEnclosedMessage(GMimeMessage *message, QByteArrayView source, int depth)
{
    if (depth > m_limits.maxDepth)
        throw LimitExceeded();
    // GMime keeps the Content-* fields on the body part: both lists, put back
    // in file order.
    std::vector<HeaderEntry> headers;
    collectHeaders(GMIME_OBJECT(message), headers);
    GMimeObject *body = g_mime_message_get_mime_part(message);
    if (body)
        collectHeaders(body, headers);
    std::stable_sort(
        headers.begin(), headers.end(), [](const HeaderEntry &a, const HeaderEntry &b) { return a.offset < b.offset; });
    // The header section as it stands in the bytes, read as a file's own is:
    // GMime drops a "From " line before it (a message saved from a mailbox,
    // then attached) and lines without a colon. The first field's offset is
    // where GMime began the section, such a line included.
    const gint64 start = headers.empty() ? -1 : headers.front().offset;
    if (start >= 0 && start < source.size()) {
        appendHeaderLines(source.sliced(qsizetype(start)));
    } else {
        for (const HeaderEntry &header : headers) {
            const QByteArray value
                = decodeFieldValue(HeaderSection::fieldValue(HeaderSection::unfold(header.rawValue)));
            appendLine(TextCharset::repairUtf8(header.name) + ": " + value);
        }
    }
    appendLine({});
    if (body)
        appendObject(body, depth);
}

// An enclosed message GMime left as a plain part (message/global, or one
// with a transfer encoding): parsed here from its decoded bytes.
void MimeTreeText::appendMessageFromBytes(const QByteArray &bytes, int depth)
{
    if (depth > m_limits.maxDepth)
        throw LimitExceeded();
    GMimeStream *stream = DeadlineStream::create(bytes, [this] { return timeIsUp(); });
    GMimeParser *parser = g_mime_parser_new_with_stream(stream);
    g_object_unref(stream);
    GMimeMessage *message = g_mime_parser_construct_message(parser, m_options);
    g_object_unref(parser);
    if (!message) {
        checkTime();
        appendBlock(TextCharset::utf8OrWindows1252(bytes));
        return;
    }
    try {
        checkTime();
        appendEnclosedMessage(message, bytes, depth);
    } catch (...) {
        g_object_unref(message);
        throw;
    }
    g_object_unref(message);
}
