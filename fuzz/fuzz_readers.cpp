// The two file readers on a real file: the blocks joined give the file back,
// every block but the last is full, and the lines are the splitter's lines.

#include "FuzzCheck.h"
#include "NoPrompts.h"
#include "core/extract/FileReaders.h"

#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("input.eml"));
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(bytes) == bytes.size());
    }
    NoPrompts prompts;
    const BlockArray blocks = ReadFileToStringFSO(path, prompts);
    QByteArray joined;
    for (qsizetype i = 0; i < blocks.size(); ++i) {
        if (i + 1 < blocks.size())
            FUZZ_CHECK(blocks.block(i).size() == BlockArray::BlockSize);
        joined.append(blocks.block(i));
    }
    FUZZ_CHECK(joined == bytes);

    const LineArray lines = ReadFileToStringFSOLine(path, prompts);
    const std::vector<LineSpan> expected = splitLines(bytes);
    FUZZ_CHECK(lines.size() == qsizetype(expected.size()));
    for (qsizetype i = 0; i < lines.size(); ++i)
        FUZZ_CHECK(
            lines.line(i) == QByteArrayView(bytes).sliced(expected[size_t(i)].offset, expected[size_t(i)].length));
    return 0;
}
