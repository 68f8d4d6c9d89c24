#include "core/TextBounds.h"

#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <limits>

namespace EditorCore {

namespace TextBounds {

bool isLineTerminator(char16_t unit)
{
    return unit == u'\n' || unit == u'\r' || unit == u'\u0085' || unit == u'\u2028'
           || unit == u'\u2029';
}

bool isWordUnit(char16_t unit)
{
    if (unit == u'_' || U16_IS_SURROGATE(unit))
        return true;
    return (U_GET_GC_MASK(unit) & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0;
}

LineBounds lineBounds(std::u16string_view text, std::int64_t position)
{
    const auto length = static_cast<std::int64_t>(text.size());
    std::int64_t p = std::clamp<std::int64_t>(position, 0, length);
    // Between the two units of a CR LF: the caret is still on the line the pair ends.
    if (p > 0 && p < length && text[p - 1] == u'\r' && text[p] == u'\n')
        --p;

    LineBounds bounds;
    std::int64_t start = p;
    while (start > 0 && !isLineTerminator(text[start - 1]))
        --start;
    std::int64_t end = p;
    while (end < length && !isLineTerminator(text[end]))
        ++end;
    bounds.start = start;
    bounds.contentsEnd = end;
    if (end < length)
        end += (text[end] == u'\r' && end + 1 < length && text[end + 1] == u'\n') ? 2 : 1;
    bounds.end = end;
    return bounds;
}

TextRange lineRange(std::u16string_view text, TextRange range)
{
    const TextRange r = clampedRange(range, static_cast<std::int64_t>(text.size()));
    const std::int64_t start = lineBounds(text, r.location).start;
    // A non-empty range ends with the line of its last unit, so a range that ends right after a
    // terminator does not take in the next line.
    const std::int64_t end = lineBounds(text, r.isEmpty() ? r.location : r.end() - 1).end;
    return {start, end - start};
}

struct ComposedCharacters::Iterator
{
    icu::UnicodeString alias;
    std::unique_ptr<icu::BreakIterator> breaks;
};

ComposedCharacters::ComposedCharacters(std::u16string_view text)
    : m_text(text)
{}

ComposedCharacters::~ComposedCharacters() = default;

TextRange ComposedCharacters::containing(std::int64_t index)
{
    const auto length = static_cast<std::int64_t>(m_text.size());
    if (index >= length)
        return {length, 0};
    if (index < 0)
        index = 0;

    if (!m_iterator && length <= std::numeric_limits<std::int32_t>::max()) {
        auto iterator = std::make_unique<Iterator>();
        iterator->alias.setTo(false, m_text.data(), static_cast<std::int32_t>(length));
        UErrorCode status = U_ZERO_ERROR;
        iterator->breaks.reset(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_SUCCESS(status) && iterator->breaks) {
            iterator->breaks->setText(iterator->alias);
            m_iterator = std::move(iterator);
        }
    }

    if (m_iterator) {
        auto& breaks = *m_iterator->breaks;
        const auto i = static_cast<std::int32_t>(index);
        // ICU moves an offset inside a surrogate pair to the pair's start before it looks for a
        // boundary, so ask for the start from the end, which is always a code point boundary.
        const std::int32_t end = breaks.following(i);
        const std::int32_t start =
            end == icu::BreakIterator::DONE ? icu::BreakIterator::DONE : breaks.preceding(end);
        if (start != icu::BreakIterator::DONE && end != icu::BreakIterator::DONE && start <= i
            && i < end)
            return {start, end - start};
    }

    // Without a break iterator: one code point, so a surrogate pair still goes as a whole.
    std::int64_t start = index;
    std::int64_t end = index + 1;
    if (U16_IS_TRAIL(m_text[index]) && index > 0 && U16_IS_LEAD(m_text[index - 1]))
        start = index - 1;
    else if (U16_IS_LEAD(m_text[index]) && end < length && U16_IS_TRAIL(m_text[end]))
        ++end;
    return {start, end - start};
}

} // namespace TextBounds
} // namespace EditorCore
