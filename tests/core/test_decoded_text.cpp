// The decoded text of message files: header fields, body parts, charsets,
// HTML, mailboxes, files that are no message, and hostile input that must
// give sound text or the plain-text fallback in bounded time and memory.

#include "TempFiles.h"
#include "core/decode/MessageDecoder.h"
#include "decode/DeadlineStream.h"
#include "decode/GMimeIncludes.h"
#include "decode/HtmlText.h"
#include "decode/LibraryInit.h"
#include "decode/MimeDecoder.h"
#include "decode/TextCharset.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QThread>

#include <functional>
#include <thread>

namespace {

QByteArray decodedText(const QByteArray &bytes, const QString &fileName = QStringLiteral("m.eml"))
{
    MessageDecoder decoder;
    return decoder.decode(bytes, fileName).text;
}

// Peak resident memory of this process so far, in KiB (0 if unknown).
qint64 peakRssKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// Multiparts nested depth levels deep, one text part at the bottom.
QByteArray nested(int depth)
{
    QByteArray head = "Subject: deep\n";
    QByteArray tail;
    for (int i = 0; i < depth; ++i) {
        const QByteArray b = "b" + QByteArray::number(i);
        head += "Content-Type: multipart/mixed; boundary=" + b + "\n\n--" + b + "\n";
        tail = "\n--" + b + "--\n" + tail;
    }
    return head + "Content-Type: text/plain\n\nbottom" + tail;
}

QByteArray manyParts(int count)
{
    QByteArray m = "Subject: many\nContent-Type: multipart/mixed; boundary=XX\n\n";
    m.reserve(count * 40);
    for (int i = 0; i < count; ++i)
        m += "--XX\nContent-Type: text/plain\n\np\n";
    return m + "--XX--\n";
}

// Lines "line N", each ended by lineEnd, or by CR alone every third line
// when mixed.
QByteArray numberedLines(int count, const QByteArray &lineEnd, bool mixed = false)
{
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text += "line " + QByteArray::number(i) + (mixed && i % 3 == 0 ? QByteArray("\r") : lineEnd);
    return text;
}

// A text part of megabytes in base64, in lines of 75 (groups of four cut by
// the line ends), with a stray character every hundred lines and no padding.
QByteArray largeBase64(const QByteArray &text)
{
    const QByteArray encoded = text.toBase64(QByteArray::OmitTrailingEquals);
    QByteArray body;
    for (qsizetype at = 0, line = 0; at < encoded.size(); at += 75, ++line)
        body += encoded.mid(at, 75) + (line % 100 == 0 ? "*\r\n" : "\r\n");
    return body;
}

// Quoted-printable of over a megabyte whose encoded characters and soft line
// breaks fall at every place of the decoder's pieces: line i is i % 7 "b"s
// and an encoded e-acute, ended by a soft break on odd lines. Gives the
// encoded body and the text it stands for.
std::pair<QByteArray, QByteArray> largeQuotedPrintable()
{
    QByteArray body;
    QByteArray text;
    for (int i = 0; body.size() < (1200 << 10); ++i) {
        const QByteArray bs(i % 7, 'b');
        body += bs + "=C3=A9" + (i % 2 ? "=\r\n" : "\r\n");
        text += bs + "\xC3\xA9" + (i % 2 ? "" : "\n");
    }
    // The decoded text ends its last line.
    if (!text.endsWith('\n'))
        text += '\n';
    return { body, text };
}

QByteArray hugeEncodedWord()
{
    return "Subject: =?UTF-8?B?" + QByteArray(1 << 20, 'x').toBase64().left(1 << 20) + "?=\n\nbody\n";
}

} // namespace

class TestDecodedText : public QObject
{
    Q_OBJECT

private slots:
    // Whole decoded text of one-message files: header rules.
    void headers_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("B word") << QByteArray("Subject: =?UTF-8?B?w6l0w6k=?=\n\nx\n")
                                << QByteArray("Subject: \xC3\xA9t\xC3\xA9\n\nx\n");
        QTest::newRow("Q word, underscore is a space") << QByteArray("Subject: =?iso-8859-1?Q?caf=E9_cr=E8me?=\n\nx\n")
                                                       << QByteArray("Subject: caf\xC3\xA9 cr\xC3\xA8me\n\nx\n");
        QTest::newRow("adjacent words joined without the blanks")
            << QByteArray("Subject: =?UTF-8?Q?ab?=  \t =?UTF-8?Q?cd?= ef\n\nx\n")
            << QByteArray("Subject: abcd ef\n\nx\n");
        QTest::newRow("UTF-8 character split across two words")
            << QByteArray("Subject: =?UTF-8?B?w6?= =?UTF-8?B?k=?=\n\nx\n") << QByteArray("Subject: \xC3\xA9\n\nx\n");
        QTest::newRow("a value's own trailing blanks stay")
            << QByteArray("Subject: also\r\n document \r\n\r\nx\n") << QByteArray("Subject: also document \n\nx\n");
        QTest::newRow("split character, padded B words")
            << QByteArray("Subject: =?UTF-8?B?TWFsbcM=?= =?utf-8?b?tg==?=\n\nx\n")
            << QByteArray("Subject: Malm\xC3\xB6\n\nx\n");
        QTest::newRow("words of two charsets joined, each converted on its own")
            << QByteArray("Subject: =?iso-8859-1?Q?caf=E9?= =?utf-8?Q?_cr=C3=A8me?=\n\nx\n")
            << QByteArray("Subject: caf\xC3\xA9 cr\xC3\xA8me\n\nx\n");
        QTest::newRow("8-bit byte in a word of an unknown charset")
            << QByteArray("Subject: =?x-unknown?q?caf=E9?=\n\nx\n") << QByteArray("Subject: caf\xC3\xA9\n\nx\n");
        QTest::newRow("not an encoded word stays as it stands") << QByteArray("Subject: a =?utf-8?q?b c?= =?x?\n\nx\n")
                                                                << QByteArray("Subject: a =?utf-8?q?b c?= =?x?\n\nx\n");
        QTest::newRow("split character, Q words") << QByteArray("Subject: =?UTF-8?Q?=E2=82?= =?UTF-8?Q?=AC?=\n\nx\n")
                                                  << QByteArray("Subject: \xE2\x82\xAC\n\nx\n");
        QTest::newRow("folded subject keeps the blanks after the break") << QByteArray(
            "Subject: one\r\n two\r\n\tthree\r\n\r\nx\r\n") << QByteArray("Subject: one two\tthree\n\nx\n");
        QTest::newRow("folded encoded words joined")
            << QByteArray("Subject: =?UTF-8?Q?a?=\n =?UTF-8?Q?b?=\n\nx\n") << QByteArray("Subject: ab\n\nx\n");
        QTest::newRow("raw UTF-8 in a header")
            << QByteArray("Subject: \xC3\xA9t\xC3\xA9\n\nx\n") << QByteArray("Subject: \xC3\xA9t\xC3\xA9\n\nx\n");
        QTest::newRow("raw windows-1252 in a header")
            << QByteArray("Subject: \x93quoted\x94 caf\xE9\n\nx\n")
            << QByteArray("Subject: \xE2\x80\x9Cquoted\xE2\x80\x9D caf\xC3\xA9\n\nx\n");
        QTest::newRow("name as written, blanks after the colon dropped")
            << QByteArray("X-MiXeD:    v\nEmpty:\n\nx\n") << QByteArray("X-MiXeD: v\nEmpty: \n\nx\n");
        QTest::newRow("line without a colon kept as it stands") << QByteArray(
            "Subject: a\nno colon here\nTo: b\n\nx\n") << QByteArray("Subject: a\nno colon here\nTo: b\n\nx\n");
        QTest::newRow("Content fields stay in file order")
            << QByteArray("From: a\nContent-Type: text/plain\nSubject: s\nMIME-Version: 1.0\n\nx\n")
            << QByteArray("From: a\nContent-Type: text/plain\nSubject: s\nMIME-Version: 1.0\n\nx\n");
        QTest::newRow("unknown charset in a word stays readable")
            << QByteArray("Subject: =?x-nothing?Q?abc?=\n\nx\n") << QByteArray("Subject: abc\n\nx\n");
        QTest::newRow("From line stays first in a .eml")
            << QByteArray("From a@b Mon Jan  1 00:00:00 2024\nSubject: s\n\nx\n")
            << QByteArray("From a@b Mon Jan  1 00:00:00 2024\nSubject: s\n\nx\n");
        QTest::newRow("line break decoded from a word becomes a space")
            << QByteArray("Subject: =?UTF-8?Q?a=0D=0Ab?=\n\nx\n") << QByteArray("Subject: a  b\n\nx\n");
        QTest::newRow("bare CR in a field becomes a space")
            << QByteArray("Subject: a\rb\nno colon\rc\n\nx\n") << QByteArray("Subject: a b\nno colon c\n\nx\n");
        QTest::newRow("header only, no body") << QByteArray("Subject: s") << QByteArray("Subject: s\n\n");
    }

    void headers()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        QCOMPARE(decodedText(input), expected);
    }

    // The fields a caller gets besides the text.
    void fields()
    {
        MessageDecoder decoder;
        const DecodedFile file = decoder.decode(
            "From x\nSubject: =?UTF-8?Q?=C3=A9?=\n  more\nContent-Type: text/plain\nnot a field\nX-A:b\n\nbody\n",
            QStringLiteral("a.eml"));
        QVERIFY(!file.fellBack);
        QCOMPARE(file.messages.size(), size_t(1));
        const DecodedMessage &m = file.messages.front();
        QCOMPARE(m.separator, QByteArray("From x"));
        const std::vector<std::pair<QByteArray, QString>> expected { { "Subject", QStringLiteral("\u00e9  more") },
            { "Content-Type", QStringLiteral("text/plain") }, { "X-A", QStringLiteral("b") } };
        QCOMPARE(m.fields, expected);
    }

    // Whole decoded text: body rules.
    void bodies_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("no Content-Type is text/plain")
            << QByteArray("Subject: s\n\nline 1\r\nline 2\r\n") << QByteArray("Subject: s\n\nline 1\nline 2\n");
        QTest::newRow("quoted-printable with soft line breaks")
            << QByteArray("Content-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: quoted-printable\n\n"
                          "caf=C3=A9 very lo=\nng line=3D\nnext\n")
            << QByteArray("Content-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: quoted-printable\n\n"
                          "caf\xC3\xA9 very long line=\nnext\n");
        QTest::newRow("base64 text in iso-8859-2")
            << QByteArray("Content-Type: text/plain; charset=iso-8859-2\nContent-Transfer-Encoding: base64\n\n"
                          "r/Ozdw==\n")
            << QByteArray("Content-Type: text/plain; charset=iso-8859-2\nContent-Transfer-Encoding: base64\n\n"
                          "\xC5\xBB\xC3\xB3\xC5\x82w\n");
        QTest::newRow("base64 without padding keeps its last two bytes")
            << QByteArray("Content-Transfer-Encoding: base64\n\nSGVsbG8g\nd29ybGQ\n")
            << QByteArray("Content-Transfer-Encoding: base64\n\nHello world\n");
        QTest::newRow("base64 without padding keeps its last byte")
            << QByteArray("Content-Transfer-Encoding: base64\n\nSGVsbG8gd29ybGQh\nYQ\n")
            << QByteArray("Content-Transfer-Encoding: base64\n\nHello world!a\n");
        QTest::newRow("base64 ends at its padding, stray characters skipped")
            << QByteArray("Content-Transfer-Encoding: base64\n\nSGVs*bG8=\nd29ybGQ=\n")
            << QByteArray("Content-Transfer-Encoding: base64\n\nHello\n");
        QTest::newRow("windows-1252 body declared UTF-8")
            << QByteArray("Content-Type: text/plain; charset=UTF-8\n\n\x93hi\x94 caf\xE9\n")
            << QByteArray("Content-Type: text/plain; charset=UTF-8\n\n\xE2\x80\x9Chi\xE2\x80\x9D caf\xC3\xA9\n");
        QTest::newRow("unknown charset, valid UTF-8")
            << QByteArray("Content-Type: text/plain; charset=x-klingon\n\n\xC3\xA9\n")
            << QByteArray("Content-Type: text/plain; charset=x-klingon\n\n\xC3\xA9\n");
        QTest::newRow("unknown charset, not UTF-8")
            << QByteArray("Content-Type: text/plain; charset=x-klingon\n\n\xE9\n")
            << QByteArray("Content-Type: text/plain; charset=x-klingon\n\n\xC3\xA9\n");
        QTest::newRow("bytes invalid in the declared charset become U+FFFD")
            << QByteArray("Content-Type: text/plain; charset=shift_jis\n\na\x82z\n")
            << QByteArray("Content-Type: text/plain; charset=shift_jis\n\na\xEF\xBF\xBDz\n");
        QTest::newRow("alternative: the plain text, though not first")
            << QByteArray("Content-Type: multipart/alternative; boundary=B\n\n--B\nContent-Type: text/html\n\n"
                          "<p>html</p>\n--B\nContent-Type: text/plain\n\nplain\n--B--\n")
            << QByteArray("Content-Type: multipart/alternative; boundary=B\n\nplain\n");
        QTest::newRow("alternative without plain text: the last")
            << QByteArray("Content-Type: multipart/alternative; boundary=B\n\n--B\nContent-Type: text/enriched\n\n"
                          "rich\n--B\nContent-Type: text/html\n\n<p>a &amp; b</p>\n--B--\n")
            << QByteArray("Content-Type: multipart/alternative; boundary=B\n\na & b\n");
        QTest::newRow("mixed: each part on its own lines, attachments named")
            << QByteArray("Content-Type: multipart/mixed; boundary=\"b b\"\n\npreamble\n--b b\n\none\n--b b\n"
                          "Content-Type: image/png\nContent-Transfer-Encoding: base64\n\niVBORw0K\n--b b\n"
                          "Content-Type: text/plain; name=notes.txt\n\ntwo\n--b b--\nepilogue\n")
            << QByteArray("Content-Type: multipart/mixed; boundary=\"b b\"\n\none\nAttachment: unnamed (image/png)\n"
                          "Attachment: notes.txt (text/plain)\ntwo\n");
        QTest::newRow("attachment name in RFC 2231 form")
            << QByteArray("Content-Type: multipart/mixed; boundary=B\n\n--B\nContent-Type: application/pdf\n"
                          "Content-Disposition: attachment;\n filename*0*=UTF-8''%C3%A9t;\n filename*1=\"e.pdf\"\n\n"
                          "%PDF\n--B--\n")
            << QByteArray(
                   "Content-Type: multipart/mixed; boundary=B\n\nAttachment: \xC3\xA9te.pdf (application/pdf)\n");
        QTest::newRow("attachment name as an encoded word")
            << QByteArray("Content-Type: multipart/mixed; boundary=B\n\n--B\n"
                          "Content-Type: APPLICATION/Octet-Stream; name=\"=?UTF-8?B?w6kuYmlu?=\"\n\nzz\n--B--\n")
            << QByteArray("Content-Type: multipart/mixed; boundary=B\n\nAttachment: \xC3\xA9.bin "
                          "(application/octet-stream)\n");
        QTest::newRow("forwarded message")
            << QByteArray("Subject: fwd\nContent-Type: multipart/mixed; boundary=B\n\n--B\n\nsee below\n--B\n"
                          "Content-Type: message/rfc822\n\nFrom: x\nSubject: =?UTF-8?Q?inn=C3=A9r?=\n"
                          "Content-Type: text/plain; charset=iso-8859-1\nX-Last: 1\n\nbody \xE9\n--B--\n")
            << QByteArray("Subject: fwd\nContent-Type: multipart/mixed; boundary=B\n\nsee below\nFrom: x\n"
                          "Subject: inn\xC3\xA9r\nContent-Type: text/plain; charset=iso-8859-1\nX-Last: 1\n\n"
                          "body \xC3\xA9\n");
        QTest::newRow("an enclosed message keeps its From line and lines without a colon")
            << QByteArray("Content-Type: multipart/mixed; boundary=B\n\n--B\n\nsee below\n--B\n"
                          "Content-Type: message/rfc822\n\nFrom a@b Mon Jan  1 00:00:00 2024\n"
                          "Subject: =?UTF-8?Q?inn=C3=A9r?=\nnot a field\nTo: c\n\ninner body\n--B--\n")
            << QByteArray("Content-Type: multipart/mixed; boundary=B\n\nsee below\n"
                          "From a@b Mon Jan  1 00:00:00 2024\nSubject: inn\xC3\xA9r\nnot a field\nTo: c\n\n"
                          "inner body\n");
        QTest::newRow("an enclosed message in base64 keeps its From line")
            << QByteArray("Content-Type: message/rfc822\nContent-Transfer-Encoding: "
                          "base64\n\nRnJvbSB4ClN1YmplY3Q6IHMKbm8gY29sb24KCmIK\n")
            << QByteArray("Content-Type: message/rfc822\nContent-Transfer-Encoding: base64\n\n"
                          "From x\nSubject: s\nno colon\n\nb\n");
        QTest::newRow("forwarded message attached under a name")
            << QByteArray("Content-Type: multipart/mixed; boundary=B\n\n--B\n\nsee attached\n--B\n"
                          "Content-Type: message/rfc822\nContent-Disposition: attachment; filename=\"old.eml\"\n\n"
                          "Subject: old\n\nold body\n--B--\n")
            << QByteArray("Content-Type: multipart/mixed; boundary=B\n\nsee attached\n"
                          "Attachment: old.eml (message/rfc822)\nSubject: old\n\nold body\n");
        QTest::newRow("message/global as an enclosed message")
            << QByteArray("Content-Type: message/global\n\nSubject: g\n\ninner\n")
            << QByteArray("Content-Type: message/global\n\nSubject: g\n\ninner\n");
        QTest::newRow("delivery report")
            << QByteArray("Content-Type: multipart/report; report-type=delivery-status; boundary=R\n\n--R\n\n"
                          "failed\n--R\nContent-Type: message/delivery-status\n\nReporting-MTA: dns; mx\n\n"
                          "Final-Recipient: rfc822; a@b\nAction: failed\nDiagnostic-Code: smtp; 550 no\n--R\n"
                          "Content-Type: text/rfc822-headers\n\nSubject: lost\n--R--\n")
            << QByteArray("Content-Type: multipart/report; report-type=delivery-status; boundary=R\n\nfailed\n"
                          "Reporting-MTA: dns; mx\n\nFinal-Recipient: rfc822; a@b\nAction: failed\n"
                          "Diagnostic-Code: smtp; 550 no\nSubject: lost\n");
        QTest::newRow("a Content-Type without a subtype is text/plain")
            << QByteArray("Content-Type: text; charset=us-ascii\n\nHi,\nread me\n")
            << QByteArray("Content-Type: text; charset=us-ascii\n\nHi,\nread me\n");
        QTest::newRow("an unreadable Content-Type of a part is text/plain")
            << QByteArray("Content-Type: multipart/mixed; boundary=B\n\n--B\nContent-Type: \"text/plain\"\n\none\n"
                          "--B\nContent-Type: text/\n\ntwo\n--B--\n")
            << QByteArray("Content-Type: multipart/mixed; boundary=B\n\none\ntwo\n");
        QTest::newRow("application/octet-stream after a comment stays an attachment")
            << QByteArray("Content-Type: (data)\n Application/Octet-Stream ; name=a.bin\n\nzz\n")
            << QByteArray("Content-Type: (data) Application/Octet-Stream ; name=a.bin\n\n"
                          "Attachment: a.bin (application/octet-stream)\n");
        const QByteArray plainHeader = "Content-Type: text/plain; charset=utf-8\n";
        // Parts of megabytes: decoded in place and in pieces.
        QTest::newRow("plain text of megabytes, CR LF and lone CR") << plainHeader + '\n'
                + numberedLines(500'000, "\r\n", true) << plainHeader + '\n' + numberedLines(500'000, "\n");
        const QByteArray base64Header = plainHeader + "Content-Transfer-Encoding: base64\n";
        const QByteArray base64Text = numberedLines(250'000, "\n");
        QTest::newRow("base64 of megabytes, groups cut by line ends, stray characters")
            << base64Header + '\n' + largeBase64(base64Text) << base64Header + '\n' + base64Text;
        const QByteArray qpHeader = plainHeader + "Content-Transfer-Encoding: quoted-printable\n";
        const auto [qpBody, qpText] = largeQuotedPrintable();
        QTest::newRow("quoted-printable of over a megabyte") << qpHeader + '\n' + qpBody << qpHeader + '\n' + qpText;
        QTest::newRow("uuencoded text") << QByteArray("Content-Transfer-Encoding: x-uuencode\n\nbegin 644 f.txt\n"
                                                      "8:&5L;&\\@=V]R;&0*<V5C;VYD(&QI;F4*\n`\nend\n")
                                        << QByteArray(
                                               "Content-Transfer-Encoding: x-uuencode\n\nhello world\nsecond line\n");
        QTest::newRow("a From line after an empty line in a .eml stays in the body")
            << QByteArray("From a\nSubject: one\n\nhello\n\nFrom b\nSubject: two\n\nstill one\n")
            << QByteArray("From a\nSubject: one\n\nhello\n\nFrom b\nSubject: two\n\nstill one\n");
    }

    void bodies()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        MessageDecoder decoder;
        const DecodedFile file = decoder.decode(input, QStringLiteral("m.eml"));
        QCOMPARE(file.text, expected);
        QVERIFY(!file.fellBack);
        QCOMPARE(file.messages.size(), size_t(1));
    }

    void mailbox_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArrayList>("separators");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray three = "From a@x Mon Jan  1 00:00:00 2024\nSubject: one\n\nbody 1\nFrom inside a line\n\n"
                                 "From b@x Mon Jan  1 00:00:01 2024\nSubject: =?UTF-8?Q?tw=C3=B6?=\n\nbody 2\n\n"
                                 "From c@x Mon Jan  1 00:00:02 2024\r\nSubject: three\r\n\r\nbody 3\r\n";
        QTest::newRow("three messages") << QStringLiteral("inbox") << three
                                        << QByteArrayList { "From a@x Mon Jan  1 00:00:00 2024",
                                               "From b@x Mon Jan  1 00:00:01 2024",
                                               "From c@x Mon Jan  1 00:00:02 2024" }
                                        << QByteArray("From a@x Mon Jan  1 00:00:00 2024\nSubject: one\n\nbody 1\n"
                                                      "From inside a line\nFrom b@x Mon Jan  1 00:00:01 2024\n"
                                                      "Subject: tw\xC3\xB6\n\nbody 2\n"
                                                      "From c@x Mon Jan  1 00:00:02 2024\nSubject: three\n\nbody 3\n");
        QTest::newRow("a message without a header in a mailbox is read as text")
            << QStringLiteral("inbox")
            << QByteArray("From a\nSubject: one\n\nbody 1\n\nFrom b\nno header here\n\tindented caf\xE9\n\n"
                          "From c\nSubject: =?UTF-8?Q?thr=C3=A9e?=\n\nbody 3\n")
            << QByteArrayList { "From a", "From b", "From c" }
            << QByteArray("From a\nSubject: one\n\nbody 1\nFrom b\nno header here\n\tindented caf\xC3\xA9\n"
                          "From c\nSubject: thr\xC3\xA9"
                          "e\n\nbody 3\n");
        QTest::newRow("the same bytes named .eml are one message")
            << QStringLiteral("inbox.EML") << three << QByteArrayList { "From a@x Mon Jan  1 00:00:00 2024" }
            << QByteArray("From a@x Mon Jan  1 00:00:00 2024\nSubject: one\n\nbody 1\nFrom inside a line\n\n"
                          "From b@x Mon Jan  1 00:00:01 2024\nSubject: =?UTF-8?Q?tw=C3=B6?=\n\nbody 2\n\n"
                          "From c@x Mon Jan  1 00:00:02 2024\nSubject: three\n\nbody 3\n");
        QTest::newRow("a message without From line in a file of another name")
            << QStringLiteral("note.txt") << QByteArray("Subject: s\n\nFrom x\n\nFrom y\n") << QByteArrayList { "" }
            << QByteArray("Subject: s\n\nFrom x\n\nFrom y\n");
    }

    void mailbox()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, input);
        QFETCH(QByteArrayList, separators);
        QFETCH(QByteArray, expected);
        MessageDecoder decoder;
        const DecodedFile file = decoder.decode(input, fileName);
        QCOMPARE(file.text, expected);
        QByteArrayList got;
        for (const DecodedMessage &m : file.messages)
            got.append(m.separator);
        QCOMPARE(got, separators);
    }

    // Files that are no message are read as text.
    void notMessages_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("empty file") << QByteArray() << QByteArray();
        QTest::newRow("plain text") << QByteArray("Dear all,\r\nthe =?UTF-8?Q?x?= stays.")
                                    << QByteArray("Dear all,\nthe =?UTF-8?Q?x?= stays.\n");
        QTest::newRow("windows-1252 text") << QByteArray("caf\xE9\n") << QByteArray("caf\xC3\xA9\n");
        QTest::newRow("first word has a blank before no colon")
            << QByteArray("Note to self: x\n\ny\n") << QByteArray("Note to self: x\n\ny\n");
        QTest::newRow("From line without a header after it")
            << QByteArray("From here on\nwe go\n") << QByteArray("From here on\nwe go\n");
        QTest::newRow("empty first line") << QByteArray("\nSubject: s\n") << QByteArray("\nSubject: s\n");
        QTest::newRow("colon first") << QByteArray(": x\n\ny") << QByteArray(": x\n\ny\n");
    }

    void notMessages()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        MessageDecoder decoder;
        const DecodedFile file = decoder.decode(input, QStringLiteral("x.eml"));
        QCOMPARE(file.text, expected);
        QVERIFY(file.messages.empty());
        QVERIFY(!file.fellBack);
    }

    void html_data()
    {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("tags removed, inline text joined")
            << QByteArray("<p>a <b>bold</b><i>it</i> c</p>") << QByteArray("a boldit c\n");
        QTest::newRow("script, style and head dropped") << QByteArray(
            "<html><head><title>T</title><style>p{}</style></head><body>x<script>var a;</script>"
            "y</body></html>") << QByteArray("xy\n");
        QTest::newRow("block elements end lines")
            << QByteArray("<div>a</div><p>b</p>c<br>d<h1>e</h1><ul><li>f</li><li>g</li></ul>"
                          "<table><tr><td>h</td><td>i</td></tr><tr><td>j</td></tr></table><blockquote>k</blockquote>")
            << QByteArray("a\nb\nc\nd\ne\nf\ng\nh i\nj\nk\n");
        QTest::newRow("references decoded") << QByteArray("&lt;a&gt; &amp; &eacute;&#233;&#x20AC;&nbsp;!")
                                            << QByteArray("<a> & \xC3\xA9\xC3\xA9\xE2\x82\xAC !\n");
        QTest::newRow("blank runs become one space, ends trimmed")
            << QByteArray("<p>  a \n\t  b   </p>") << QByteArray("a b\n");
        QTest::newRow("at most one empty line in a row")
            << QByteArray("a<br><br><br><br>b<br><br>") << QByteArray("a\n\nb\n");
        QTest::newRow("meta charset does not re-read the UTF-8")
            << QByteArray("<html><head><meta charset=\"iso-8859-1\"></head><body>\xC3\xA9</body></html>")
            << QByteArray("\xC3\xA9\n");
        QTest::newRow("broken markup recovered") << QByteArray("<p>a<p>b <b>c</i>d</span>") << QByteArray("a\nb cd\n");
        QTest::newRow("pre keeps its lines") << QByteArray("<pre>a\n  b</pre>") << QByteArray("a\nb\n");
        QTest::newRow("comments are not text") << QByteArray("a<!-- b -->c") << QByteArray("ac\n");
    }

    void html()
    {
        QFETCH(QByteArray, html);
        QFETCH(QByteArray, expected);
        QCOMPARE(HtmlText::toText(html), expected);
    }

    void charsets_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("charset");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("no charset, UTF-8") << QByteArray("\xE2\x82\xAC") << QByteArray() << QByteArray("\xE2\x82\xAC");
        QTest::newRow("US-ASCII with 8-bit bytes")
            << QByteArray("\x80") << QByteArray("us-ascii") << QByteArray("\xE2\x82\xAC");
        QTest::newRow("UTF-8 overlong is invalid")
            << QByteArray("\xC0\xAF") << QByteArray("utf-8") << QByteArray("\xC3\x80\xC2\xAF");
        QTest::newRow("UTF-8 surrogate is invalid")
            << QByteArray("\xED\xA0\x80") << QByteArray("UTF-8") << QByteArray("\xC3\xAD\xC2\xA0\xE2\x82\xAC");
        QTest::newRow("unassigned windows-1252 byte")
            << QByteArray("\x81") << QByteArray("windows-1252") << QByteArray("\xC2\x81");
        QTest::newRow("latin1 label read as windows-1252")
            << QByteArray("\x85") << QByteArray("ISO-8859-1") << QByteArray("\xE2\x80\xA6");
        QTest::newRow("KOI8-R") << QByteArray("\xF0\xD2\xC9") << QByteArray("koi8-r")
                                << QByteArray("\xD0\x9F\xD1\x80\xD0\xB8");
        QTest::newRow("UTF-7") << QByteArray("a+AOk-b") << QByteArray("utf-7")
                               << QByteArray("a\xC3\xA9"
                                             "b");
        // The '+' opens a base64 run; each of the two bytes after it is invalid.
        QTest::newRow("UTF-7 broken shift")
            << QByteArray("a+\xFF\xFE-b") << QByteArray("UTF-7") << QByteArray("a\xEF\xBF\xBD\xEF\xBF\xBD-b");
        QTest::newRow("truncated sequence at the end")
            << QByteArray("ab\x82") << QByteArray("shift_jis") << QByteArray("ab\xEF\xBF\xBD");
        QTest::newRow("NUL kept") << QByteArray("a\0b", 3) << QByteArray() << QByteArray("a\0b", 3);
    }

    void charsets()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, charset);
        QFETCH(QByteArray, expected);
        const QByteArray text = TextCharset::decode(bytes, charset);
        QCOMPARE(text, expected);
        QVERIFY(TextCharset::isValidUtf8(text));
    }

    // Input built to break the decoder: sound text or the fallback, never a
    // crash or a hang, always valid UTF-8.
    void hostile_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("fellBack"); // 1 must, 0 must not, -1 either
        QTest::addColumn<QByteArray>("mustContain");
        QTest::newRow("nesting 1,000 deep") << nested(1000) << 1 << QByteArray("bottom");
        QTest::newRow("nesting within the limit") << nested(90) << 0 << QByteArray("bottom");
        QTest::newRow("100,000 parts") << manyParts(100000) << 1 << QByteArray("Subject: many");
        QTest::newRow("a boundary that never comes")
            << QByteArray("Content-Type: multipart/mixed; boundary=nowhere\n\ntext that stays\n") << 0
            << QByteArray("text that stays");
        QTest::newRow("missing closing boundary")
            << QByteArray("Content-Type: multipart/mixed; boundary=B\n\n--B\n\nfirst\n--B\n\nlast part\n") << 0
            << QByteArray("last part");
        QTest::newRow("broken base64") << QByteArray("Content-Transfer-Encoding: base64\n\naGVsbG8*!!\n===\x01\xFFxx\n")
                                       << 0 << QByteArray("hello");
        QTest::newRow("1 MB encoded word") << hugeEncodedWord() << 0 << QByteArray("xxxxxxxx");
        QTest::newRow("unknown charset") << QByteArray("Content-Type: text/plain; charset=\"\xFF\"\n\n\xFF\n") << 0
                                         << QByteArray("\xC3\xBF");
        QTest::newRow("UTF-7 body") << QByteArray("Content-Type: text/plain; charset=utf-7\n\n+2D3cAA-+-+\n") << 0
                                    << QByteArray("Content-Type");
        QTest::newRow("NUL bytes") << QByteArray("Subject: a\0b\nX\0: y\n\nc\0d\n", 24) << 0 << QByteArray("c\0d", 3);
        QTest::newRow("header line without a colon")
            << QByteArray("Subject: s\nstray line\n\nbody\n") << 0 << QByteArray("stray line\n");
        QTest::newRow("deep HTML") << "Content-Type: text/html\n\n" + QByteArray(200000, '<').replace("<", "<div>")
                + "x" << 0 << QByteArray("x");
        QTest::newRow("enclosed messages 1,000 deep") << QByteArray("Content-Type: message/rfc822\n\n").repeated(1000)
                + "inner\n" << 1 << QByteArray("inner");
        QTest::newRow("empty boundary") << QByteArray("Content-Type: multipart/mixed; boundary=\"\"\n\n--\n\na\n----\n")
                                        << -1 << QByteArray();
        // GMime 3.2.13 loops forever re-encoding this Content-Type (a
        // parameter name of non-ASCII bytes) if asked for the boundary.
        QTest::newRow("Content-Type that makes the boundary lookup loop") << QByteArray(
            "Content-Type: multipart/mixed;\n " + QByteArray("\xD1\x9C").repeated(36)
            + "=\"\xD1\x9C\";\n\n--x\n\nbody\n") << -1 << QByteArray();
        QTest::newRow("odd boundary quoting")
            << QByteArray("Content-Type: multipart/mixed; boundary=\"a\\\"b\n\n--a\"b\n\nz\n--a\"b--\n") << -1
            << QByteArray();
        QTest::newRow("boundary of non-ASCII bytes")
            << QByteArray("Content-Type: multipart/mixed; boundary*=UTF-8''%FF%FE; boundary=\xFF\n\n--\xFF\n\nq\n")
            << -1 << QByteArray();
    }

    void hostile()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, fellBack);
        QFETCH(QByteArray, mustContain);
        for (const QString &name : { QStringLiteral("x.eml"), QStringLiteral("x.mbox") }) {
            MessageDecoder decoder;
            QElapsedTimer clock;
            clock.start();
            const DecodedFile file = decoder.decode(input, name);
            // The limit is 2 s of this decoder's time; GMime's parse comes
            // before the first check, and a shared machine slows everything.
            // The bound catches a hang, not a slow step.
            QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
            QVERIFY(TextCharset::isValidUtf8(file.text));
#ifdef TOLLERVANE_SANITIZED
            // Instrumented, the large rows can run past the time limit and
            // fall back; what they then give is checked below all the same.
            if (fellBack == 0 && file.fellBack)
                fellBack = -1;
#endif
            if (fellBack >= 0)
                QCOMPARE(file.fellBack, fellBack == 1);
            QVERIFY(file.text.contains(mustContain));
            if (file.fellBack)
                QCOMPARE(file.text, MimeDecoder::plainText(input));
        }
    }

    // Deeply nested markup keeps the text after it.
    void deepHtmlKeepsItsText()
    {
        QByteArray html = "From: a@example.com\nContent-Type: text/html\n\n";
        for (int i = 0; i < 2000; ++i)
            html += "<div>";
        html += "deep text";
        for (int i = 0; i < 2000; ++i)
            html += "</div>";
        html += "<p>after</p>\n";
        MessageDecoder decoder;
        const DecodedFile file = decoder.decode(html, QStringLiteral("deep.eml"));
        QVERIFY(!file.fellBack);
        QVERIFY(file.text.contains("deep text"));
        QVERIFY(file.text.contains("after"));
    }

    void timeLimit()
    {
        MessageDecoder decoder;
        DecodeLimits limits;
        limits.maxMilliseconds = 0;
        QElapsedTimer wait;
        wait.start();
        while (!wait.hasExpired(2)) { }
        const DecodedFile file = decoder.decode(manyParts(200), QStringLiteral("m.eml"), limits);
        QVERIFY(file.fellBack);
        QVERIFY(file.messages.empty());
    }

    // The parser's own reads stop once the time is up, in the stream it was
    // given and in the substreams its parts read from: a parse that runs
    // long gets no further bytes.
    void parserReadsStopWhenTimeIsUp()
    {
        LibraryInit::gmime();
        const QByteArray bytes = "Subject: s\n\n" + QByteArray(100, 'x') + '\n';
        bool timeIsUp = false;
        GMimeStream *stream = DeadlineStream::create(bytes, [&] { return timeIsUp; });
        GMimeStream *body = g_mime_stream_substream(stream, 12, bytes.size());
        char buffer[128];
        QCOMPARE(g_mime_stream_read(stream, buffer, 9), ssize_t(9));
        QCOMPARE(QByteArray(buffer, 9), QByteArray("Subject: "));
        QCOMPARE(g_mime_stream_read(body, buffer, sizeof buffer), ssize_t(101));
        QCOMPARE(QByteArray(buffer, 101), QByteArray(100, 'x') + '\n');
        g_mime_stream_reset(body);
        timeIsUp = true;
        // The clock is asked every few reads, not at each.
        int reads = 0;
        while (g_mime_stream_read(body, buffer, 1) == 1)
            QVERIFY(++reads <= 16);
        QCOMPARE(g_mime_stream_read(stream, buffer, 1), ssize_t(-1));
        QCOMPARE(g_mime_stream_read(body, buffer, 1), ssize_t(-1));
        g_object_unref(body);

        GMimeParser *parser = g_mime_parser_new_with_stream(stream);
        g_object_unref(stream);
        GMimeMessage *message = g_mime_parser_construct_message(parser, nullptr);
        g_object_unref(parser);
        QVERIFY(!message);
    }

    // The part limit counts each message of a mailbox on its own.
    void limitsPerMessage()
    {
        const QByteArray one = manyParts(4000);
        QByteArray mailbox;
        for (int i = 0; i < 3; ++i)
            mailbox += "From x@y Mon Jan  1 00:00:00 2024\n" + one + "\n";
        MessageDecoder decoder;
        const DecodedFile split = decoder.decode(mailbox, QStringLiteral("inbox"));
        QVERIFY(!split.fellBack);
        QCOMPARE(split.messages.size(), size_t(3));
        QVERIFY(decoder.decode(manyParts(12000), QStringLiteral("one.eml")).fellBack);
    }

    // A large attachment is not copied: peak memory grows by little more
    // than the file itself.
    void largeAttachment()
    {
        const qsizetype size = 64 << 20;
        QByteArray input = "Content-Type: multipart/mixed; boundary=B\n\n--B\n\nsee attached\n--B\n"
                           "Content-Type: application/zip; name=big.zip\nContent-Transfer-Encoding: base64\n\n";
        input.reserve(input.size() + size + 100);
        const QByteArray line = QByteArray(76, 'A') + '\n';
        while (input.size() < size)
            input += line;
        input += "--B--\n";
        const qint64 before = peakRssKiB();
        MessageDecoder decoder;
        const DecodedFile file = decoder.decode(input, QStringLiteral("big.eml"));
        const qint64 growth = peakRssKiB() - before;
        QVERIFY(!file.fellBack);
        QCOMPARE(file.text.split('\n').mid(2),
            QByteArrayList({ "see attached", "Attachment: big.zip (application/zip)", "" }));
        if (before > 0)
            QVERIFY2(growth < 2 * (size >> 10), qPrintable(QString::number(growth)));
    }

    // One decoder per thread, all at once: the same text as alone.
    void threads()
    {
        const QByteArray input = "Subject: =?UTF-8?Q?=C3=A9?=\nContent-Type: multipart/alternative; boundary=B\n\n"
                                 "--B\nContent-Type: text/html; charset=koi8-r\n\n<p>\xF0\xD2\xC9</p>\n--B--\n";
        const QByteArray alone = decodedText(input);
        std::vector<QByteArray> results(4);
        std::vector<std::thread> workers;
        for (size_t t = 0; t < results.size(); ++t)
            workers.emplace_back([&, t] {
                MessageDecoder decoder;
                for (int i = 0; i < 200; ++i)
                    results[t] = decoder.decode(input, QStringLiteral("m.eml")).text;
            });
        for (std::thread &w : workers)
            w.join();
        for (const QByteArray &r : results)
            QCOMPARE(r, alone);
        QVERIFY(alone.contains("\xD0\x9F\xD1\x80\xD0\xB8"));
    }
};

QTEST_GUILESS_MAIN(TestDecodedText)
#include "test_decoded_text.moc"
