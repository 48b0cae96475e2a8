#include "PatternMatcher.h"

#include "core/app/Latin1.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstring>
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
    if (!code) {
        PCRE2_UCHAR text[256];
        pcre2_get_error_message(errorCode, text, sizeof text);
        m_error = QString::fromLatin1(reinterpret_cast<const char *>(text));
        m_errorOffset = typedOffset[std::min<size_t>(errorAt, typedOffset.size() - 1)];
        return;
    }
    m_compiled = std::make_unique<Compiled>();
    m_compiled->code = code;
    m_compiled->context = pcre2_match_context_create(nullptr);
    pcre2_set_match_limit(m_compiled->context, MatchLimit);
    pcre2_set_depth_limit(m_compiled->context, DepthLimit);
    if (pcre2_jit_compile(code, PCRE2_JIT_COMPLETE) == 0) {
        m_compiled->stack = pcre2_jit_stack_create(32 * 1024, 1024 * 1024, nullptr);
        pcre2_jit_stack_assign(m_compiled->context, nullptr, m_compiled->stack);
    }
    m_compiled->data = pcre2_match_data_create_from_pattern(code, nullptr);

    // The literal byte a match must hold: the last one the engine requires,
    // else the fixed first one. A line end can never be within a line, so
    // it is not taken.
    uint32_t type = 0;
    uint32_t unit = 0;
    if (pcre2_pattern_info(code, PCRE2_INFO_LASTCODETYPE, &type) == 0 && type == 1)
        pcre2_pattern_info(code, PCRE2_INFO_LASTCODEUNIT, &unit);
    else if (pcre2_pattern_info(code, PCRE2_INFO_FIRSTCODETYPE, &type) == 0 && type == 1)
        pcre2_pattern_info(code, PCRE2_INFO_FIRSTCODEUNIT, &unit);
    else
        type = 0;
    if (type == 1 && unit < 256 && unit != '\r' && unit != '\n') {
        m_required = int(unit);
        const unsigned char flipped = latin1Tables()[256 + unit];
        m_requiredOther = flipped != unit ? int(flipped) : -1;
    }
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

PatternMatcher::Outcome PatternMatcher::find(
    QByteArrayView text, qsizetype from, qsizetype &start, qsizetype &end) const
{
    if (!m_compiled)
        return Outcome::NoMatch;
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
