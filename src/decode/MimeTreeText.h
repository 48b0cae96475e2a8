#pragma once

#include "core/decode/DecodeLimits.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>

#include <utility>
#include <vector>

typedef struct _GMimeObject GMimeObject;
typedef struct _GMimeMessage GMimeMessage;
typedef struct _GMimeParserOptions GMimeParserOptions;
typedef struct _GMimePart GMimePart;

// Writes the text of a parsed GMime tree into one UTF-8 output, counting the
// parts, the depth and the time against the limits. Reads the tree only:
// nothing here may make GMime re-encode a header (3.2.13 can loop forever
// re-encoding a crafted Content-Type, e.g. in g_mime_multipart_get_boundary).
class MimeTreeText
{
public:
    // Thrown when a limit is passed; the caller falls back to plain text.
    struct LimitExceeded
    {
    };

    MimeTreeText(GMimeParserOptions *options, const DecodeLimits &limits);

    // One line; the "\n" is added.
    void appendLine(QByteArrayView utf8);
    // Text of any number of lines, beginning on a line of its own.
    void appendBlock(QByteArrayView utf8);

    // The body of a message (its MIME part), at the given nesting depth.
    void appendBody(GMimeMessage *message, int depth);

    // A header value decoded to UTF-8: 8-bit bytes read as UTF-8 or
    // windows-1252, encoded words undone.
    QByteArray decodeFieldValue(QByteArrayView raw) const;

    // The bytes the parser reads (header offsets are indices into them), for
    // the header sections of enclosed messages as they stand.
    void setSource(QByteArrayView bytes) { m_source = bytes; }

    // Each message of a mailbox has the limits anew.
    void beginMessage();

    // Throws LimitExceeded once the time is up.
    void checkTime() const;
    bool timeIsUp() const;

    QByteArray takeText() { return std::move(m_text); }

private:
    void appendObject(GMimeObject *object, int depth);
    void appendMultipart(GMimeObject *multipart, int depth);
    void appendLeaf(GMimeObject *part, int depth);
    void appendEnclosedMessage(GMimeMessage *message, QByteArrayView source, int depth);
    void appendHeaderLines(QByteArrayView headerSection);
    void appendMessageFromBytes(const QByteArray &bytes, int depth);
    // A part's content with its transfer encoding undone (each throws
    // LimitExceeded once the time is up).
    QByteArray decodedContent(GMimePart *part) const;
    QByteArray undoBase64(QByteArrayView encoded) const;
    QByteArray undoTransferEncoding(QByteArrayView encoded, int encoding) const;

    GMimeParserOptions *m_options;
    DecodeLimits m_limits;
    QElapsedTimer m_clock;
    int m_parts = 0;
    QByteArray m_text;
    QByteArrayView m_source;
};
