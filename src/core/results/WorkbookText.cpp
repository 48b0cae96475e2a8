#include "WorkbookText.h"

#include <QList>

namespace {

bool isHexDigit(char32_t c)
{
    return (c >= U'0' && c <= U'9') || (c >= U'a' && c <= U'f') || (c >= U'A' && c <= U'F');
}

// True when the code points from i on read "_xHHHH_".
template <class Unit> bool startsEscapeSequence(const Unit *text, qsizetype size, qsizetype i)
{
    if (i + 6 >= size || char32_t(text[i]) != U'_' || char32_t(text[i + 1]) != U'x' || char32_t(text[i + 6]) != U'_')
        return false;
    for (qsizetype k = 2; k < 6; ++k) {
        if (!isHexDigit(char32_t(text[k + i])))
            return false;
    }
    return true;
}

void appendUtf8(QByteArray &out, char32_t c)
{
    if (c < 0x80) {
        out.append(char(c));
    } else if (c < 0x800) {
        out.append(char(0xC0 | (c >> 6)));
        out.append(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.append(char(0xE0 | (c >> 12)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    } else {
        out.append(char(0xF0 | (c >> 18)));
        out.append(char(0x80 | ((c >> 12) & 0x3F)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    }
}

// Unit is unsigned char for 8-bit text, char32_t for code points.
template <class Unit> WorkbookText convert(const Unit *text, qsizetype size)
{
    WorkbookText result;
    result.utf8.reserve(std::min(size, WorkbookText::MaxCellCharacters) * 2 + 8);
    qsizetype counted = 0; // code points handed to the workbook, escapes included
    for (qsizetype i = 0; i < size; ++i) {
        const char32_t c = char32_t(text[i]);
        const bool escaped = c == 0 || startsEscapeSequence(text, size, i);
        const qsizetype length = escaped ? 7 : 1;
        if (counted + length > WorkbookText::MaxCellCharacters) {
            result.cut = true;
            break;
        }
        if (c == 0)
            result.utf8.append("_x0000_");
        else if (escaped)
            result.utf8.append("_x005F_");
        else
            appendUtf8(result.utf8, c);
        counted += length;
        ++result.characters;
    }
    return result;
}

} // namespace

WorkbookText workbookTextFromLatin1(QByteArrayView bytes, bool removeEquals)
{
    if (removeEquals && bytes.contains('=')) {
        QByteArray kept = bytes.toByteArray();
        kept.removeIf([](char c) { return c == '='; });
        return convert(reinterpret_cast<const unsigned char *>(kept.constData()), kept.size());
    }
    return convert(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size());
}

WorkbookText workbookTextFromUtf8(QByteArrayView utf8, bool removeEquals)
{
    QString text = QString::fromUtf8(utf8);
    if (removeEquals)
        text.remove(QLatin1Char('='));
    return workbookTextFromString(text);
}

WorkbookText workbookTextFromString(QStringView text)
{
    const QList<uint> codePoints = text.toUcs4();
    static_assert(sizeof(uint) == sizeof(char32_t));
    return convert(reinterpret_cast<const char32_t *>(codePoints.constData()), codePoints.size());
}
