#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <optional>

// Message files are 8-bit text: byte n is character U+00nn and back, so every
// byte survives reading, display and writing unchanged.
namespace Latin1 {

// Unicode lower-case mapping restricted to U+0000..U+00FF.
const std::array<unsigned char, 256> &lowerTable();

inline unsigned char lower(unsigned char c)
{
    return lowerTable()[c];
}

inline QString toString(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes);
}

// The 8-bit form of a typed text, or nothing when it holds a character
// outside U+0000..U+00FF (such a text can never occur in an 8-bit file).
std::optional<QByteArray> fromString(QStringView text);

// Lower-cased copy.
QByteArray toLower(QByteArrayView bytes);

} // namespace Latin1
