#include "MailByteFrequency.h"

#include <array>
#include <cstdint>
#include <utility>

namespace MailByteFrequency {

int perMille(unsigned char c)
{
    static const std::array<std::uint8_t, 256> perMille = [] {
        std::array<std::uint8_t, 256> table {};
        table.fill(1); // control characters and 8-bit characters
        for (unsigned char d = '0'; d <= '9'; ++d)
            table[d] = 6;
        for (const char *p = "!\"#$%&'()*+/;<>?@[\\]^_`{|}~"; *p; ++p)
            table[static_cast<unsigned char>(*p)] = 3;
        const std::pair<char, int> letters[] = { { 'e', 100 }, { 't', 70 }, { 'a', 65 }, { 'o', 60 }, { 'i', 57 },
            { 'n', 57 }, { 's', 52 }, { 'r', 50 }, { 'h', 40 }, { 'l', 33 }, { 'd', 30 }, { 'c', 23 }, { 'u', 23 },
            { 'm', 20 }, { 'f', 18 }, { 'p', 16 }, { 'g', 16 }, { 'w', 15 }, { 'y', 15 }, { 'b', 12 }, { 'v', 8 },
            { 'k', 6 }, { 'x', 2 }, { 'j', 2 }, { 'q', 1 }, { 'z', 1 } };
        for (const auto &[letter, frequency] : letters)
            table[static_cast<unsigned char>(letter)] = std::uint8_t(frequency);
        table[' '] = 150;
        table['\r'] = table['\n'] = 16;
        table['.'] = table[','] = 10;
        table['-'] = table[':'] = table['='] = 5;
        return table;
    }();
    return perMille[c];
}

} // namespace MailByteFrequency
