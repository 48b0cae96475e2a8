// The line splitter: lines never contain a line end, and the lines joined
// with the line ends that separated them give the text back. The line
// cursor walks the same lines, also after jumping to the line of a byte.

#include "FuzzCheck.h"
#include "core/extract/LineCursor.h"
#include "core/extract/LineSplitter.h"

#include <QByteArray>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    const QByteArrayView text(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::vector<LineSpan> lines = splitLines(text);
    FUZZ_CHECK(!lines.empty());
    qsizetype position = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const LineSpan &line = lines[i];
        FUZZ_CHECK(line.offset == position);
        FUZZ_CHECK(line.length >= 0 && line.offset + line.length <= text.size());
        const QByteArrayView content = text.sliced(line.offset, line.length);
        FUZZ_CHECK(!content.contains('\r') && !content.contains('\n'));
        position = line.offset + line.length;
        // What follows a line is a line end: CR LF, CR or LF (none at the end).
        if (position < text.size()) {
            if (text[position] == '\r' && position + 1 < text.size() && text[position + 1] == '\n')
                position += 2;
            else
                position += 1;
        }
    }
    FUZZ_CHECK(position == text.size());
    // A text that does not end in a line end has its last line last.
    if (!text.isEmpty() && text.back() != '\n' && text.back() != '\r')
        FUZZ_CHECK(lines.back().offset + lines.back().length == text.size());

    size_t walked = 0;
    for (LineCursor cursor(text); cursor.atLine(); cursor.next(), ++walked) {
        FUZZ_CHECK(walked < lines.size());
        FUZZ_CHECK(cursor.lineStart() == lines[walked].offset);
        FUZZ_CHECK(cursor.lineEnd() == lines[walked].offset + lines[walked].length);
    }
    FUZZ_CHECK(walked == lines.size());
    // A jump from the first line to the line of the byte in the middle.
    if (!text.isEmpty() && text[text.size() / 2] != '\r' && text[text.size() / 2] != '\n') {
        LineCursor cursor(text);
        cursor.moveToLineOf(text.size() / 2);
        size_t holding = 0;
        while (holding + 1 < lines.size() && lines[holding + 1].offset <= text.size() / 2)
            ++holding;
        FUZZ_CHECK(cursor.lineStart() == lines[holding].offset);
        FUZZ_CHECK(cursor.lineEnd() == lines[holding].offset + lines[holding].length);
    }
    return 0;
}
