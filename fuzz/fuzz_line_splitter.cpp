// The line splitter: lines never contain a line end, and the lines joined
// with the line ends that separated them give the text back.

#include "FuzzCheck.h"
#include "extract/LineSplitter.h"

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
    return 0;
}
