#pragma once

#include <QByteArray>
#include <QByteArrayView>

// A reversible shift of each byte by a repeating key, used to store the
// sample list lightly disguised. v = c + k, minus 255 from 256 on; undone by
// v = c - k, plus 255 at 0 or below. Every text of bytes 1..255 survives the
// round trip.
QByteArray ScrambleText(QByteArrayView text, QByteArrayView key);
QByteArray UnscrambleText(QByteArrayView text, QByteArrayView key);

inline constexpr char ScrambleKey[] = "qelmorvi";
