#include "Scramble.h"

#include "core/app/EventPump.h"

namespace {
template <class Shift> QByteArray shiftEach(QByteArrayView text, QByteArrayView key, Shift shift)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    qsizetype k = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int c = static_cast<unsigned char>(text[i]);
        const int keyCode = key.isEmpty() ? 0 : static_cast<unsigned char>(key[k]);
        if (!key.isEmpty())
            k = (k + 1) % key.size();
        out[i] = static_cast<char>(shift(c, keyCode));
        EventPump::yield();
    }
    return out;
}
} // namespace

QByteArray ScrambleText(QByteArrayView text, QByteArrayView key)
{
    return shiftEach(text, key, [](int c, int k) {
        int v = c + k;
        if (v >= 256)
            v -= 255;
        return v;
    });
}

QByteArray UnscrambleText(QByteArrayView text, QByteArrayView key)
{
    return shiftEach(text, key, [](int c, int k) {
        int v = c - k;
        if (v <= 0)
            v += 255;
        return v;
    });
}
