// Reading a list-of-files text file: the rows are exactly the lines a plain
// byte-by-byte split finds (CR LF, CR and LF end a line; a line end at the
// very end adds no row; an empty file or one holding only the byte-order
// mark lists nothing), a leading UTF-8 byte-order mark is not part of the
// first row, and each row is its line decoded as a file name. A line that
// is well-formed UTF-8 comes back byte for byte when encoded again, so
// nothing (a second byte-order mark, a NUL) is lost.

#include "FuzzCheck.h"
#include "ReferenceLines.h"
#include "core/filelist/ListFile.h"

#include <QByteArray>
#include <QFile>
#include <QStringDecoder>

namespace {

// Well-formed UTF-8 as RFC 3629 has it: shortest forms only, no surrogates,
// nothing above U+10FFFF.
bool isWellFormedUtf8(QByteArrayView bytes)
{
    qsizetype i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        int more;
        char32_t code;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            more = 1;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            more = 2;
            code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            more = 3;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (i + more >= bytes.size())
            return false; // cut short
        for (int k = 1; k <= more; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        if ((more == 2 && code < 0x800) || (more == 3 && code < 0x10000) || code > 0x10FFFF
            || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += more + 1;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList rows = ListFileRows(bytes);
    const bool marked = bytes.startsWith("\xEF\xBB\xBF");
    const std::vector<QByteArray> lines = referenceLines(marked ? bytes.sliced(3) : bytes);
    FUZZ_CHECK(rows.size() == qsizetype(lines.size()));
    // Each line is decoded as a file name on its own; a mark at the start of
    // a line other than the file's first is part of that name.
    QStringDecoder decoder(
        QStringConverter::System, QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QByteArray &line = lines[size_t(i)];
        FUZZ_CHECK(rows[i] == decoder.decode(line));
        if (isWellFormedUtf8(line))
            FUZZ_CHECK(rows[i].toUtf8() == line);
        FUZZ_CHECK(!rows[i].contains(u'\r') && !rows[i].contains(u'\n'));
    }
    // The mark is skipped once, not repeatedly: a second one starts the row.
    if (bytes.startsWith("\xEF\xBB\xBF\xEF\xBB\xBF")) {
        FUZZ_CHECK(!rows.isEmpty());
        FUZZ_CHECK(rows.front().startsWith(QChar(0xFEFF)));
    }
    return 0;
}
