#include "core/SearchRequirement.h"

#include "core/SearchPrefilter.h"

#include <unicode/utf16.h>

#include <algorithm>

namespace EditorCore {
namespace {

constexpr std::int64_t unbounded = SearchRequirement::unbounded;
// More alternatives than this make a scan slower than the engine's own.
constexpr std::size_t maxAlternatives = 8;
// Repetitions of a literal written out as one literal, at most this many letters.
constexpr std::size_t maxRepeatedLetters = 64;
// Groups nested deeper than this are beyond the reading (it recurses once per level).
constexpr int maxDepth = 64;

std::int64_t plus(std::int64_t a, std::int64_t b)
{
    return (a == unbounded || b == unbounded) ? unbounded : a + b;
}

std::int64_t times(std::int64_t a, std::int64_t n)
{
    if (a == 0 || n == 0)
        return 0;
    if (a == unbounded || n == unbounded || a > (std::int64_t{1} << 40) / n)
        return unbounded;
    return a * n;
}

using Letters = std::vector<PatternLetter>;
using Literal = SearchRequirement::Literal;

// What the reading knows about a piece of pattern.
struct Shape
{
    std::int64_t maxLength = 0;
    bool holdsBreak = false;
    // The piece consumes exactly what these letters match (empty: it consumes nothing).
    std::optional<Letters> exact;
    // Every match of the piece holds one of these; empty: nothing known.
    std::vector<Literal> required;
};

// The most units the engine consumes for one letter: a caseless letter matches text whose
// folding equals its folding, up to three characters of two units each.
std::int64_t letterUnits(const PatternLetter& letter)
{
    return letter.caseless ? 6 : U16_LENGTH(letter.codePoint);
}

std::vector<Literal> requirementOf(const Shape& shape)
{
    if (!shape.required.empty())
        return shape.required;
    if (shape.exact && !shape.exact->empty())
        return {Literal{*shape.exact, 0}};
    return {};
}

// Higher is better: the rarest alternative counts, and a lead without a bound can only serve a
// search whose matches stay within lines.
std::int64_t score(const std::vector<Literal>& alternatives)
{
    if (alternatives.empty() || alternatives.size() > maxAlternatives)
        return 0;
    std::int64_t worst = std::numeric_limits<std::int64_t>::max();
    for (const auto& alternative : alternatives) {
        std::int64_t s = SearchPrefilter::literalScore(alternative.letters) * 4;
        if (alternative.lead == unbounded)
            s = s / 2;
        worst = std::min(worst, s);
    }
    return worst - static_cast<std::int64_t>(alternatives.size()) + 1;
}

void consider(std::vector<Literal>& best, std::vector<Literal> candidate)
{
    if (score(candidate) > score(best))
        best = std::move(candidate);
}

Shape zeroWidth()
{
    Shape shape;
    shape.exact = Letters{};
    return shape;
}

Shape oneCharacter(bool holdsBreak, std::int64_t maxLength = 2)
{
    Shape shape;
    shape.maxLength = maxLength;
    shape.holdsBreak = holdsBreak;
    return shape;
}

Shape letter(char32_t c, bool caseless)
{
    Shape shape;
    PatternLetter l{c, caseless};
    shape.maxLength = letterUnits(l);
    shape.holdsBreak = isEngineLineBreak(c);
    shape.exact = Letters{l};
    return shape;
}

Shape sequence(const std::vector<Shape>& items)
{
    Shape out;
    bool allExact = true;
    for (const auto& item : items) {
        out.maxLength = plus(out.maxLength, item.maxLength);
        out.holdsBreak = out.holdsBreak || item.holdsBreak;
        allExact = allExact && item.exact.has_value();
    }
    if (allExact) {
        Letters letters;
        for (const auto& item : items)
            letters.insert(letters.end(), item.exact->begin(), item.exact->end());
        out.exact = std::move(letters);
        if (!out.exact->empty())
            out.required = {Literal{*out.exact, 0}};
        return out;
    }

    std::vector<Literal> best;
    std::int64_t prefix = 0;
    Letters run;
    std::int64_t runLead = 0;
    auto flush = [&] {
        if (!run.empty())
            consider(best, {Literal{run, runLead}});
        run.clear();
    };
    for (const auto& item : items) {
        if (item.exact) {
            if (run.empty())
                runLead = prefix;
            run.insert(run.end(), item.exact->begin(), item.exact->end());
        } else {
            flush();
            std::vector<Literal> inner = item.required;
            for (auto& literal : inner)
                literal.lead = plus(literal.lead, prefix);
            consider(best, std::move(inner));
        }
        prefix = plus(prefix, item.maxLength);
    }
    flush();
    out.required = std::move(best);
    return out;
}

Shape alternation(const std::vector<Shape>& branches)
{
    if (branches.size() == 1)
        return branches.front();
    Shape out;
    bool everyBranch = true;
    for (const auto& branch : branches) {
        out.maxLength = std::max(out.maxLength, branch.maxLength);
        out.holdsBreak = out.holdsBreak || branch.holdsBreak;
        auto required = requirementOf(branch);
        if (required.empty())
            everyBranch = false;
        out.required.insert(out.required.end(), required.begin(), required.end());
    }
    if (!everyBranch || out.required.size() > maxAlternatives)
        out.required.clear();
    return out;
}

Shape repeated(const Shape& item, std::int64_t least, std::int64_t most)
{
    Shape out;
    out.maxLength = times(item.maxLength, most);
    out.holdsBreak = most > 0 && item.holdsBreak;
    if (most == 0) {
        out.exact = Letters{};
        return out;
    }
    if (least == most && item.exact
        && item.exact->size() * static_cast<std::size_t>(least) <= maxRepeatedLetters) {
        Letters letters;
        for (std::int64_t i = 0; i < least; ++i)
            letters.insert(letters.end(), item.exact->begin(), item.exact->end());
        out.exact = std::move(letters);
    }
    if (least >= 1)
        out.required = requirementOf(item);
    return out;
}

bool isAsciiAlphanumeric(char32_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

class Reader
{
public:
    Reader(std::u16string_view pattern, bool caseless)
        : m_pattern(pattern)
        , m_caseless(caseless)
    {
        // Inline flags are honoured for the whole pattern: a letter is taken as caseless when
        // any part of the pattern may switch case folding on, and a dot as crossing lines when
        // any part may switch that on. Either only widens what the prefilter lets through.
        for (std::size_t i = 0; i + 1 < pattern.size(); ++i) {
            if (pattern[i] == u'(' && pattern[i + 1] == u'?') {
                for (std::size_t j = i + 2; j < pattern.size(); ++j) {
                    char16_t c = pattern[j];
                    if (c == u'i')
                        m_caseless = true;
                    else if (c == u's')
                        m_dotAll = true;
                    else if (c != u'm' && c != u'w' && c != u'-' && c != u'x' && c != u'd')
                        break;
                }
            }
        }
    }

    std::optional<Shape> read()
    {
        Shape shape = readAlternation();
        if (m_failed || m_at != m_pattern.size())
            return std::nullopt;
        return shape;
    }

private:
    bool atEnd() const { return m_at >= m_pattern.size(); }
    char16_t peek(std::size_t ahead = 0) const
    {
        return m_at + ahead < m_pattern.size() ? m_pattern[m_at + ahead] : char16_t(0);
    }
    Shape fail()
    {
        m_failed = true;
        return Shape{};
    }

    char32_t takeCodePoint()
    {
        char32_t c = m_pattern[m_at++];
        if (U16_IS_LEAD(c) && m_at < m_pattern.size() && U16_IS_TRAIL(m_pattern[m_at]))
            c = U16_GET_SUPPLEMENTARY(c, m_pattern[m_at++]);
        return c;
    }

    Shape readAlternation()
    {
        std::vector<Shape> branches;
        branches.push_back(readSequence());
        while (!m_failed && peek() == u'|' && !atEnd()) {
            ++m_at;
            branches.push_back(readSequence());
        }
        return alternation(branches);
    }

    Shape readSequence()
    {
        std::vector<Shape> items;
        while (!m_failed && !atEnd() && peek() != u'|' && peek() != u')') {
            std::optional<Shape> atom = readAtom();
            if (m_failed)
                break;
            if (!atom)
                continue; // a comment or a flag switch
            items.push_back(readQuantifier(std::move(*atom)));
        }
        return sequence(items);
    }

    Shape readQuantifier(Shape atom)
    {
        if (atEnd())
            return atom;
        std::int64_t least = 1, most = 1;
        char16_t c = peek();
        if (c == u'*') {
            least = 0, most = unbounded;
            ++m_at;
        } else if (c == u'+') {
            least = 1, most = unbounded;
            ++m_at;
        } else if (c == u'?') {
            least = 0, most = 1;
            ++m_at;
        } else if (c == u'{') {
            ++m_at;
            if (!readNumber(least))
                return fail();
            most = least;
            if (peek() == u',') {
                ++m_at;
                most = unbounded;
                if (peek() != u'}' && !readNumber(most))
                    return fail();
            }
            if (peek() != u'}' || most < least)
                return fail();
            ++m_at;
        } else {
            return atom;
        }
        if (peek() == u'?' || peek() == u'+')
            ++m_at; // lazy or possessive: the same lengths
        if (peek() == u'*' || peek() == u'+' || peek() == u'?' || peek() == u'{')
            return fail();
        return repeated(atom, least, most);
    }

    bool readNumber(std::int64_t& value)
    {
        std::size_t start = m_at;
        value = 0;
        while (peek() >= u'0' && peek() <= u'9' && m_at - start < 9) {
            value = value * 10 + (peek() - u'0');
            ++m_at;
        }
        return m_at > start && !(peek() >= u'0' && peek() <= u'9');
    }

    // Absent for a comment or a flag switch, which match nothing and take no quantifier.
    std::optional<Shape> readAtom()
    {
        char16_t c = peek();
        switch (c) {
        case u'(':
            return readGroup();
        case u'[':
            return readSet();
        case u'.':
            ++m_at;
            return oneCharacter(m_dotAll);
        case u'^':
        case u'$':
            ++m_at;
            return zeroWidth();
        case u'\\':
            return readEscape();
        case u'*':
        case u'+':
        case u'?':
        case u'{':
        case u'}':
        case u']':
            return fail();
        default:
            return letter(takeCodePoint(), m_caseless);
        }
    }

    std::optional<Shape> readGroup()
    {
        ++m_at; // (
        if (++m_depth > maxDepth)
            return fail();
        struct Leave
        {
            int& depth;
            ~Leave() { --depth; }
        } leave{m_depth};
        bool lookAround = false;
        if (peek() == u'?') {
            char16_t kind = peek(1);
            if (kind == u':' || kind == u'>') {
                m_at += 2;
            } else if (kind == u'=' || kind == u'!') {
                m_at += 2;
                lookAround = true;
            } else if (kind == u'<' && (peek(2) == u'=' || peek(2) == u'!')) {
                m_at += 3;
                lookAround = true;
            } else if (kind == u'<') {
                m_at += 2;
                std::size_t start = m_at;
                while (!atEnd() && isAsciiAlphanumeric(peek()))
                    ++m_at;
                if (m_at == start || peek() != u'>')
                    return fail();
                ++m_at;
            } else if (kind == u'#') {
                while (!atEnd() && peek() != u')')
                    ++m_at;
                if (atEnd())
                    return fail();
                ++m_at;
                return std::nullopt;
            } else {
                // Flags: (?ims-ims) switches until the group ends, (?ims-ims:...) a group.
                m_at += 1;
                while (!atEnd()) {
                    char16_t f = peek();
                    if (f == u'i' || f == u'm' || f == u's' || f == u'w' || f == u'-') {
                        ++m_at;
                        continue;
                    }
                    break;
                }
                if (peek() == u')') {
                    ++m_at;
                    return std::nullopt;
                }
                if (peek() != u':')
                    return fail();
                ++m_at;
            }
        }
        Shape inner = readAlternation();
        if (m_failed || peek() != u')' || atEnd())
            return fail();
        ++m_at;
        if (lookAround)
            return zeroWidth();
        return inner;
    }

    Shape readEscape()
    {
        ++m_at; // backslash
        if (atEnd())
            return fail();
        char16_t c = peek();
        ++m_at;
        switch (c) {
        case u'b':
        case u'B':
        case u'A':
        case u'z':
        case u'Z':
            return zeroWidth();
        case u'd':
        case u'w':
        case u'h':
            return oneCharacter(false);
        case u'D':
        case u'W':
        case u'H':
        case u's':
        case u'S':
        case u'v':
        case u'V':
        case u'R':
            return oneCharacter(true);
        case u'X':
            return oneCharacter(true, unbounded);
        case u'p':
        case u'P':
            if (peek() == u'{') {
                while (!atEnd() && peek() != u'}')
                    ++m_at;
                if (atEnd())
                    return fail();
                ++m_at;
            } else if (!atEnd()) {
                ++m_at;
            }
            return oneCharacter(true);
        case u't':
            return letter(0x09, m_caseless);
        case u'n':
            return letter(0x0A, m_caseless);
        case u'f':
            return letter(0x0C, m_caseless);
        case u'r':
            return letter(0x0D, m_caseless);
        case u'a':
            return letter(0x07, m_caseless);
        case u'e':
            return letter(0x1B, m_caseless);
        case u'u':
            return hexLetter(4, 4);
        case u'U':
            return hexLetter(8, 8);
        case u'x':
            if (peek() == u'{') {
                ++m_at;
                Shape shape = hexLetter(1, 6);
                if (m_failed || peek() != u'}')
                    return fail();
                ++m_at;
                return shape;
            }
            return hexLetter(2, 2);
        case u'Q':
            return quoted();
        default:
            // Any other ASCII punctuation stands for itself; letters, digits (back references)
            // and the rest are beyond this reading.
            if (c < 0x80 && c > 0x20 && !isAsciiAlphanumeric(c))
                return letter(c, m_caseless);
            return fail();
        }
    }

    Shape hexLetter(std::size_t least, std::size_t most)
    {
        char32_t value = 0;
        std::size_t count = 0;
        while (count < most && hexValue(peek()) >= 0 && !atEnd()) {
            value = value * 16 + static_cast<char32_t>(hexValue(peek()));
            ++m_at;
            ++count;
        }
        if (count < least || value > 0x10FFFF)
            return fail();
        return letter(value, m_caseless);
    }

    Shape quoted()
    {
        std::vector<Shape> letters;
        while (!atEnd()) {
            if (peek() == u'\\' && peek(1) == u'E') {
                m_at += 2;
                break;
            }
            letters.push_back(letter(takeCodePoint(), m_caseless));
        }
        if (letters.empty())
            return zeroWidth();
        return sequence(letters);
    }

    // A bracketed set matches one character. Only whether it can match a line break matters
    // here; any construct whose answer is not plain makes it "may".
    Shape readSet()
    {
        std::size_t depth = 0;
        bool holdsBreak = false;
        bool anyLength = false;
        std::int64_t previous = -1; // the last single character, for a range
        bool range = false;
        auto addCharacter = [&](char32_t c) {
            if (range && previous >= 0) {
                for (std::int64_t b : {0x0A, 0x0B, 0x0C, 0x0D, 0x85, 0x2028, 0x2029}) {
                    if (b >= previous && b <= static_cast<std::int64_t>(c))
                        holdsBreak = true;
                }
                range = false;
                previous = -1;
                return;
            }
            if (isEngineLineBreak(c))
                holdsBreak = true;
            range = false;
            previous = static_cast<std::int64_t>(c);
        };
        auto opaque = [&] {
            holdsBreak = true;
            range = false;
            previous = -1;
        };
        while (!atEnd()) {
            char16_t c = peek();
            if (c == u'[') {
                ++m_at;
                ++depth;
                if (peek() == u':')
                    opaque(); // a POSIX-style property such as [:cntrl:]
                if (peek() == u'^') {
                    ++m_at;
                    holdsBreak = true;
                }
                if (peek() == u']')
                    return fail();
                previous = -1;
                continue;
            }
            if (c == u']') {
                ++m_at;
                if (--depth == 0)
                    break;
                previous = -1;
                continue;
            }
            if (c == u'\\') {
                ++m_at;
                if (atEnd())
                    return fail();
                char16_t e = peek();
                ++m_at;
                if (e == u'Q' || e == u'E')
                    return fail();
                if ((e == u'p' || e == u'P' || e == u'N' || e == u'x') && peek() == u'{') {
                    while (!atEnd() && peek() != u'}')
                        ++m_at;
                    if (atEnd())
                        return fail();
                    ++m_at;
                    opaque();
                } else if (e == u'd' || e == u'w' || e == u'h') {
                    previous = -1;
                    range = false;
                } else if (e == u't') {
                    addCharacter(0x09);
                } else if (e < 0x80 && e > 0x20 && !isAsciiAlphanumeric(e)) {
                    addCharacter(e);
                } else {
                    opaque();
                }
                continue;
            }
            if (c == u'{') {
                // Possibly a string inside the set: any length.
                ++m_at;
                opaque();
                anyLength = true;
                continue;
            }
            if (c == u'-' && previous >= 0 && peek(1) != u']' && peek(1) != u'-'
                && peek(1) != u'[') {
                ++m_at;
                range = true;
                continue;
            }
            addCharacter(takeCodePoint());
        }
        if (depth != 0)
            return fail();
        // A caseless set is closed over case, which may add strings of up to three characters.
        return oneCharacter(holdsBreak, anyLength ? unbounded : m_caseless ? 6 : 2);
    }

    std::u16string_view m_pattern;
    std::size_t m_at = 0;
    bool m_caseless = false;
    bool m_dotAll = false;
    bool m_failed = false;
    int m_depth = 0;
};

} // namespace

std::optional<SearchRequirement> SearchRequirement::derive(std::u16string_view pattern,
                                                           bool caseInsensitive)
{
    // \G depends on where the previous match ended; the x and d flags change the syntax.
    for (std::size_t i = 0; i + 1 < pattern.size(); ++i) {
        if (pattern[i] == u'\\') {
            if (pattern[i + 1] == u'G')
                return std::nullopt;
            ++i;
        }
    }
    for (std::size_t i = 0; i + 2 < pattern.size(); ++i) {
        if (pattern[i] == u'(' && pattern[i + 1] == u'?') {
            for (std::size_t j = i + 2; j < pattern.size(); ++j) {
                char16_t c = pattern[j];
                if (c == u'x' || c == u'd')
                    return std::nullopt;
                if (c != u'i' && c != u'm' && c != u's' && c != u'w' && c != u'-')
                    break;
            }
        }
    }

    Reader reader(pattern, caseInsensitive);
    std::optional<Shape> shape = reader.read();
    if (!shape)
        return std::nullopt;
    std::vector<Literal> required = requirementOf(*shape);
    if (required.empty() || score(required) <= 0)
        return std::nullopt;
    SearchRequirement out;
    out.alternatives = std::move(required);
    out.maxLength = shape->maxLength;
    out.holdsLineBreak = shape->holdsBreak;
    return out;
}

} // namespace EditorCore
