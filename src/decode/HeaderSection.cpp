#include "decode/HeaderSection.h"

namespace HeaderSection {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The line at offset (without its line end) and the offset of the next line.
QByteArrayView lineAt(QByteArrayView bytes, qsizetype offset, qsizetype *next)
{
    const qsizetype end = bytes.indexOf('\n', offset);
    if (end < 0) {
        *next = bytes.size();
        return bytes.sliced(offset);
    }
    *next = end + 1;
    QByteArrayView line = bytes.sliced(offset, end - offset);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

qsizetype colonOfField(QByteArrayView line)
{
    qsizetype i = 0;
    while (i < line.size()) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (c == ':' || c <= 32 || c >= 127)
            break;
        ++i;
    }
    if (i == 0)
        return -1;
    qsizetype colon = i;
    while (colon < line.size() && isBlank(line[colon]))
        ++colon;
    return colon < line.size() && line[colon] == ':' ? colon : -1;
}

QByteArray trimmedBlanks(QByteArrayView text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && (isBlank(text[end - 1]) || text[end - 1] == '\r' || text[end - 1] == '\n'))
        --end;
    return text.sliced(begin, end - begin).toByteArray();
}

} // namespace

QByteArray fieldValue(QByteArrayView afterColon)
{
    // The blanks after the colon go; blanks at the end are part of the value.
    qsizetype begin = 0, end = afterColon.size();
    while (begin < end && isBlank(afterColon[begin]))
        ++begin;
    while (end > begin && (afterColon[end - 1] == '\r' || afterColon[end - 1] == '\n'))
        --end;
    return afterColon.sliced(begin, end - begin).toByteArray();
}

namespace {

Line makeLine(QByteArrayView folded)
{
    const QByteArray unfolded = unfold(folded);
    Line line;
    const qsizetype colon = colonOfField(unfolded);
    if (colon < 0) {
        line.value = unfolded;
        return line;
    }
    line.isField = true;
    line.name = trimmedBlanks(QByteArrayView(unfolded).first(colon));
    line.value = fieldValue(QByteArrayView(unfolded).sliced(colon + 1));
    return line;
}

} // namespace

std::vector<Line> read(QByteArrayView bytes, qsizetype *bodyStart)
{
    std::vector<Line> lines;
    qsizetype offset = 0;
    qsizetype fieldStart = -1, fieldEnd = -1;
    const auto flush = [&] {
        if (fieldStart >= 0)
            lines.push_back(makeLine(bytes.sliced(fieldStart, fieldEnd - fieldStart)));
        fieldStart = -1;
    };
    while (offset < bytes.size()) {
        qsizetype next = 0;
        const QByteArrayView line = lineAt(bytes, offset, &next);
        if (line.isEmpty()) {
            offset = next;
            break;
        }
        if (!isBlank(line[0]) || fieldStart < 0) {
            flush();
            fieldStart = offset;
        }
        fieldEnd = offset + line.size();
        offset = next;
    }
    flush();
    if (bodyStart)
        *bodyStart = offset;
    return lines;
}

bool isFieldLine(QByteArrayView line)
{
    return colonOfField(line) >= 0;
}

bool beginsWithFromLine(QByteArrayView bytes)
{
    return bytes.startsWith("From ");
}

bool looksLikeMessage(QByteArrayView bytes)
{
    qsizetype offset = 0, next = 0;
    if (beginsWithFromLine(bytes)) {
        lineAt(bytes, 0, &next);
        offset = next;
    }
    if (offset >= bytes.size())
        return false;
    return isFieldLine(lineAt(bytes, offset, &next));
}

QByteArray unfold(QByteArrayView value)
{
    // Within a field every line break is followed by a blank, so dropping
    // the breaks leaves those blanks. A lone CR is a byte of the value.
    QByteArray out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\n' || (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n'))
            continue;
        out.append(c);
    }
    return out;
}

} // namespace HeaderSection
