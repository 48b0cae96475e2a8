#include "PatternMatcher.h"

#include "core/app/Latin1.h"
#include "core/extract/Utf8Fold.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstring>
#include <optional>
#include <vector>

namespace {

// PCRE2's character tables with the program's letter cases: the C locale's
// tables, with the Latin-1 upper and lower-case letter pairs added to the
// lower-casing and case-flipping tables.
const unsigned char *latin1Tables()
{
    static const std::vector<unsigned char> tables = [] {
        const unsigned char *made = pcre2_maketables(nullptr);
        // lower-case (256), flip-case (256), class bits, character types
        constexpr size_t Size = 256 + 256 + 320 + 256;
        std::vector<unsigned char> copy(made, made + Size);
        pcre2_maketables_free(nullptr, made);
        const auto &lower = Latin1::lowerTable();
        for (int c = 0; c < 256; ++c) {
            const unsigned char l = lower[size_t(c)];
            if (l != c) {
                copy[size_t(c)] = l;
                copy[256 + size_t(c)] = l;
                copy[256 + size_t(l)] = static_cast<unsigned char>(c);
            }
        }
        return copy;
    }();
    return tables.data();
}

} // namespace

struct PatternMatcher::Compiled
{
    pcre2_code *code = nullptr;
    pcre2_match_context *context = nullptr;
    pcre2_jit_stack *stack = nullptr;
    pcre2_match_data *data = nullptr;

    // Takes a compiled pattern: the limits, the JIT where the machine has
    // it, and room for one match.
    explicit Compiled(pcre2_code *compiled)
        : code(compiled)
    {
        context = pcre2_match_context_create(nullptr);
        pcre2_set_match_limit(context, MatchLimit);
        pcre2_set_depth_limit(context, DepthLimit);
        if (pcre2_jit_compile(code, PCRE2_JIT_COMPLETE) == 0) {
            stack = pcre2_jit_stack_create(32 * 1024, 1024 * 1024, nullptr);
            pcre2_jit_stack_assign(context, nullptr, stack);
        }
        data = pcre2_match_data_create_from_pattern(code, nullptr);
    }

    ~Compiled()
    {
        pcre2_match_data_free(data);
        pcre2_jit_stack_free(stack);
        pcre2_match_context_free(context);
        pcre2_code_free(code);
    }
};

PatternMatcher::PatternMatcher() = default;
PatternMatcher::~PatternMatcher() = default;
PatternMatcher::PatternMatcher(PatternMatcher &&) noexcept = default;
PatternMatcher &PatternMatcher::operator=(PatternMatcher &&) noexcept = default;

PatternMatcher::PatternMatcher(const QString &pattern)
{
    compileBytes(pattern);
}

PatternMatcher::PatternMatcher(const QString &pattern, TextKind kind)
    : m_kind(kind)
{
    if (kind == TextKind::Unicode)
        compileUnicode(pattern);
    else
        compileBytes(pattern);
}

bool PatternMatcher::keep(pcre2_code_8 *code, int errorCode, size_t errorAt, const std::vector<qsizetype> &typedOffset)
{
    if (!code) {
        PCRE2_UCHAR text[256];
        pcre2_get_error_message(errorCode, text, sizeof text);
        m_error = QString::fromLatin1(reinterpret_cast<const char *>(text));
        m_errorOffset = typedOffset[std::min<size_t>(errorAt, typedOffset.size() - 1)];
        return false;
    }
    m_compiled = std::make_unique<Compiled>(code);
    return true;
}

std::optional<uint32_t> PatternMatcher::requiredUnit(const pcre2_code_8 *code)
{
    uint32_t type = 0;
    uint32_t unit = 0;
    if (pcre2_pattern_info(code, PCRE2_INFO_LASTCODETYPE, &type) == 0 && type == 1)
        pcre2_pattern_info(code, PCRE2_INFO_LASTCODEUNIT, &unit);
    else if (pcre2_pattern_info(code, PCRE2_INFO_FIRSTCODETYPE, &type) == 0 && type == 1)
        pcre2_pattern_info(code, PCRE2_INFO_FIRSTCODEUNIT, &unit);
    else
        return std::nullopt;
    return unit;
}

void PatternMatcher::compileBytes(const QString &pattern)
{
    // The 8-bit pattern; a character outside Latin-1 becomes a part that
    // never matches. Where each byte came from, for the error offset.
    QByteArray bytes;
    std::vector<qsizetype> typedOffset;
    const QByteArray never = QByteArrayLiteral("(?!)");
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const char16_t c = pattern.at(i).unicode();
        if (c < 256) {
            bytes.append(char(c));
            typedOffset.push_back(i);
        } else {
            bytes.append(never);
            typedOffset.insert(typedOffset.end(), size_t(never.size()), i);
        }
    }
    typedOffset.push_back(pattern.size());

    pcre2_compile_context *compileContext = pcre2_compile_context_create(nullptr);
    pcre2_set_character_tables(compileContext, latin1Tables());
    int errorCode = 0;
    PCRE2_SIZE errorAt = 0;
    pcre2_code *code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(bytes.constData()), PCRE2_SIZE(bytes.size()),
        PCRE2_CASELESS | PCRE2_NEVER_UTF | PCRE2_NEVER_UCP, &errorCode, &errorAt, compileContext);
    pcre2_compile_context_free(compileContext);
    if (!keep(code, errorCode, errorAt, typedOffset))
        return;

    // The literal byte a match must hold: the last one the engine requires,
    // else the fixed first one. A line end can never be within a line, so
    // it is not taken.
    const std::optional<uint32_t> unit = requiredUnit(code);
    if (unit && *unit < 256 && *unit != '\r' && *unit != '\n') {
        m_required = int(*unit);
        const unsigned char flipped = latin1Tables()[256 + *unit];
        m_requiredOther = flipped != *unit ? int(flipped) : -1;
    }
}

void PatternMatcher::compileUnicode(const QString &pattern)
{
    // The UTF-8 pattern, and for each of its bytes the character of the
    // typed text it came from, counted in code points. A lone surrogate,
    // which no decoded text holds, becomes U+FFFD.
    QByteArray bytes;
    std::vector<qsizetype> typedOffset;
    qsizetype characters = 0;
    for (qsizetype i = 0; i < pattern.size(); ++i, ++characters) {
        const QChar u = pattern.at(i);
        char32_t c = u.unicode();
        if (u.isHighSurrogate() && i + 1 < pattern.size() && pattern.at(i + 1).isLowSurrogate())
            c = QChar::surrogateToUcs4(u, pattern.at(++i));
        else if (u.isSurrogate())
            c = 0xFFFD;
        unsigned char encoded[4];
        const int length = Utf8Fold::encode(c, encoded);
        bytes.append(reinterpret_cast<const char *>(encoded), length);
        typedOffset.insert(typedOffset.end(), size_t(length), characters);
    }
    typedOffset.push_back(characters);

    int errorCode = 0;
    PCRE2_SIZE errorAt = 0;
    pcre2_code *code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(bytes.constData()), PCRE2_SIZE(bytes.size()),
        PCRE2_UTF | PCRE2_UCP | PCRE2_CASELESS | PCRE2_MATCH_INVALID_UTF, &errorCode, &errorAt, nullptr);
    if (!keep(code, errorCode, errorAt, typedOffset))
        return;

    // A byte every match holds can be looked for first only when no other
    // character is the same in another letter case: ASCII digits, signs and
    // blanks. A letter is left out (caseless Unicode matching pairs 'k' with
    // the Kelvin sign, 's' with the long s, and so on), and so is a byte of a
    // longer character.
    const std::optional<uint32_t> unit = requiredUnit(code);
    const bool isLetter = unit && (*unit | 0x20) >= 'a' && (*unit | 0x20) <= 'z';
    if (unit && *unit < 0x80 && !isLetter && *unit != '\r' && *unit != '\n')
        m_required = int(*unit);
}

qsizetype PatternMatcher::nextCandidate(QByteArrayView text, qsizetype from) const
{
    if (m_required < 0 || from >= text.size())
        return from < text.size() ? from : -1;
    const unsigned char *begin = reinterpret_cast<const unsigned char *>(text.data());
    const unsigned char *end = begin + text.size();
    if (m_requiredOther < 0) {
        const void *hit = std::memchr(begin + from, m_required, size_t(end - begin - from));
        return hit ? static_cast<const unsigned char *>(hit) - begin : -1;
    }
    for (const unsigned char *at = begin + from; at < end; ++at) {
        if (*at == m_required || *at == m_requiredOther)
            return at - begin;
    }
    return -1;
}

bool PatternMatcher::isValid() const
{
    return m_compiled != nullptr;
}

QString PatternMatcher::invalidMessage(const QString &boxCaption) const
{
    return QStringLiteral("The text in \"%1\" is not a valid regular expression: %2 at position %3.")
        .arg(boxCaption, m_error)
        .arg(m_errorOffset);
}

int PatternMatcher::groupCount() const
{
    uint32_t count = 0;
    if (m_compiled)
        pcre2_pattern_info(m_compiled->code, PCRE2_INFO_CAPTURECOUNT, &count);
    return int(count);
}

QStringList PatternMatcher::groupNames() const
{
    QStringList names;
    const int count = groupCount();
    for (int i = 1; i <= count; ++i)
        names.append(QString::number(i));
    if (!m_compiled)
        return names;
    // The name table: entries of a fixed size, each the group's number in
    // its first two bytes, then its name, zero-ended.
    uint32_t entries = 0;
    uint32_t entrySize = 0;
    PCRE2_SPTR table = nullptr;
    pcre2_pattern_info(m_compiled->code, PCRE2_INFO_NAMECOUNT, &entries);
    pcre2_pattern_info(m_compiled->code, PCRE2_INFO_NAMEENTRYSIZE, &entrySize);
    pcre2_pattern_info(m_compiled->code, PCRE2_INFO_NAMETABLE, &table);
    for (uint32_t e = 0; e < entries && table; ++e) {
        const PCRE2_SPTR entry = table + size_t(e) * entrySize;
        const int group = (entry[0] << 8) | entry[1];
        if (group >= 1 && group <= count) {
            const auto *name = reinterpret_cast<const char *>(entry + 2);
            names[group - 1] = m_kind == TextKind::Unicode ? QString::fromUtf8(name) : QString::fromLatin1(name);
        }
    }
    return names;
}

void PatternMatcher::lastGroups(QByteArrayView text, QList<QByteArrayView> &cells) const
{
    cells.clear();
    if (!m_compiled)
        return;
    const int count = groupCount();
    const uint32_t pairs = pcre2_get_ovector_count(m_compiled->data);
    const PCRE2_SIZE *vector = pcre2_get_ovector_pointer(m_compiled->data);
    for (int i = 1; i <= count; ++i) {
        const bool took = uint32_t(i) < pairs && vector[2 * i] != PCRE2_UNSET && vector[2 * i + 1] >= vector[2 * i]
            && vector[2 * i + 1] <= PCRE2_SIZE(text.size());
        cells.append(took ? text.sliced(qsizetype(vector[2 * i]), qsizetype(vector[2 * i + 1] - vector[2 * i]))
                          : QByteArrayView());
    }
}

PatternMatcher::Outcome PatternMatcher::find(
    QByteArrayView text, qsizetype from, qsizetype &start, qsizetype &end) const
{
    if (!m_compiled)
        return Outcome::NoMatch;
    // In decoded text a search starts at a character's first byte.
    if (m_kind == TextKind::Unicode) {
        while (from < text.size() && from > 0 && Utf8Fold::isContinuation(static_cast<unsigned char>(text[from])))
            ++from;
    }
    // An empty view may have no data; the engine wants an address.
    static const char nothing = 0;
    const char *subject = text.data() ? text.data() : &nothing;
    const int result = pcre2_match(m_compiled->code, reinterpret_cast<PCRE2_SPTR>(subject), PCRE2_SIZE(text.size()),
        PCRE2_SIZE(from), 0, m_compiled->data, m_compiled->context);
    if (result >= 0) {
        const PCRE2_SIZE *vector = pcre2_get_ovector_pointer(m_compiled->data);
        start = qsizetype(vector[0]);
        end = qsizetype(vector[1]);
        return Outcome::Match;
    }
    if (result == PCRE2_ERROR_NOMATCH)
        return Outcome::NoMatch;
    // The match limit, the depth limit, the stack or memory: the pattern
    // needs more than a line may take.
    return Outcome::GaveUp;
}
