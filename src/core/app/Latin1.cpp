#include "Latin1.h"

#include <QChar>

namespace Latin1 {

const std::array<unsigned char, 256> &lowerTable()
{
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t {};
        for (int c = 0; c < 256; ++c) {
            const char32_t lowered = QChar::toLower(char32_t(c));
            t[c] = lowered < 256 ? static_cast<unsigned char>(lowered) : static_cast<unsigned char>(c);
        }
        return t;
    }();
    return table;
}

std::optional<QByteArray> fromString(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u > 0xFF)
            return std::nullopt;
        bytes[i] = static_cast<char>(u);
    }
    return bytes;
}

QByteArray toLower(QByteArrayView bytes)
{
    QByteArray out(bytes.size(), Qt::Uninitialized);
    const auto &table = lowerTable();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = static_cast<char>(table[static_cast<unsigned char>(bytes[i])]);
    return out;
}

} // namespace Latin1
