#include "core/TextTidy.h"

#include <unicode/casemap.h>
#include <unicode/coll.h>
#include <unicode/normalizer2.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <memory>
#include <unordered_set>

namespace EditorCore::TextTidy {

namespace {

bool isBreak(char16_t unit)
{
    return unit == u'\n' || unit == u'\r' || unit == u'\u0085' || unit == u'\u2028'
           || unit == u'\u2029';
}

// The lines of a text with the separator they are joined with again.
struct LineFrame
{
    std::u16string_view separator;
    std::u16string_view trailing; // the separator, when the text ended with it
    std::vector<std::u16string> lines;
};

LineFrame frame(std::u16string_view text)
{
    LineFrame result;
    if (text.find(u"\r\n") != std::u16string_view::npos)
        result.separator = u"\r\n";
    else if (text.find(u'\r') != std::u16string_view::npos
             && text.find(u'\n') == std::u16string_view::npos)
        result.separator = u"\r";
    else
        result.separator = u"\n";
    if (text.ends_with(result.separator)) {
        result.trailing = result.separator;
        text.remove_suffix(result.separator.size());
    }
    if (text.empty())
        return result;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!isBreak(text[i]))
            continue;
        result.lines.emplace_back(text.substr(start, i - start));
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    // A break at the very end of what is left (the text ended with two breaks, or with a
    // separator of another kind) leaves an empty last line, so that no break is lost.
    if (start < text.size() || isBreak(text.back()))
        result.lines.emplace_back(text.substr(start));
    return result;
}

std::u16string join(const LineFrame& lines)
{
    std::u16string result;
    for (std::size_t i = 0; i < lines.lines.size(); ++i) {
        if (i > 0)
            result.append(lines.separator);
        result.append(lines.lines[i]);
    }
    result.append(lines.trailing);
    return result;
}

icu::UnicodeString alias(std::u16string_view text)
{
    return icu::UnicodeString(false, text.data(), static_cast<int32_t>(text.size()));
}

// The current locale, except that the C locale (which ICU reads as en_US_POSIX, whose order is
// that of the code points, capitals first) sorts by the root order.
icu::Locale collationLocale()
{
    const icu::Locale& current = icu::Locale::getDefault();
    if (std::string_view(current.getVariant()) == "POSIX" || *current.getLanguage() == '\0')
        return icu::Locale::getRoot();
    return current;
}

} // namespace

std::u16string sortLines(std::u16string_view text, bool descending)
{
    LineFrame lines = frame(text);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(
        icu::Collator::createInstance(collationLocale(), status));
    if (U_SUCCESS(status) && collator) {
        // The order of a file browser: case-insensitive, "file9" before "file10".
        collator->setStrength(icu::Collator::SECONDARY);
        collator->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
        std::stable_sort(lines.lines.begin(),
                         lines.lines.end(),
                         [&](const std::u16string& a, const std::u16string& b) {
                             UErrorCode compareStatus = U_ZERO_ERROR;
                             return collator->compare(alias(a), alias(b), compareStatus)
                                    == UCOL_LESS;
                         });
    } else {
        std::stable_sort(lines.lines.begin(), lines.lines.end());
    }
    if (descending)
        std::reverse(lines.lines.begin(), lines.lines.end());
    return join(lines);
}

std::u16string removeDuplicateLines(std::u16string_view text)
{
    LineFrame lines = frame(text);
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    std::unordered_set<std::u16string> seen;
    std::vector<std::u16string> kept;
    for (std::u16string& line : lines.lines) {
        // Canonically equivalent lines have the same NFC form.
        std::u16string key = line;
        if (nfc && U_SUCCESS(status)) {
            UErrorCode normalizeStatus = U_ZERO_ERROR;
            const icu::UnicodeString normalized = nfc->normalize(alias(line), normalizeStatus);
            if (U_SUCCESS(normalizeStatus))
                key.assign(normalized.getBuffer(), static_cast<std::size_t>(normalized.length()));
        }
        if (seen.insert(std::move(key)).second)
            kept.push_back(std::move(line));
    }
    lines.lines = std::move(kept);
    return join(lines);
}

std::u16string trimTrailingWhitespace(std::u16string_view text)
{
    LineFrame lines = frame(text);
    for (std::u16string& line : lines.lines) {
        const auto last = line.find_last_not_of(u" \t");
        line.resize(last == std::u16string::npos ? 0 : last + 1);
    }
    return join(lines);
}

namespace {

// Words are delimited by spaces, tabs and line breaks only, so "hello-world" is one word. Each
// word's first character takes its title case, the rest lower case (root locale).
std::u16string capitalizeWords(std::u16string_view text)
{
    auto isDelimiter = [](char16_t unit) { return unit == u' ' || unit == u'\t' || isBreak(unit); };
    std::u16string result;
    result.reserve(text.size());
    std::size_t position = 0;
    while (position < text.size()) {
        if (isDelimiter(text[position])) {
            result.push_back(text[position++]);
            continue;
        }
        std::size_t end = position;
        while (end < text.size() && !isDelimiter(text[end]))
            ++end;
        const std::u16string_view word = text.substr(position, end - position);
        const auto* source = reinterpret_cast<const char16_t*>(word.data());
        const auto length = static_cast<int32_t>(word.size());
        const uint32_t options = U_TITLECASE_WHOLE_STRING | U_TITLECASE_NO_BREAK_ADJUSTMENT;
        std::u16string mapped(word.size() + 8, u'\0');
        UErrorCode status = U_ZERO_ERROR;
        int32_t needed = icu::CaseMap::toTitle("",
                                               options,
                                               nullptr,
                                               source,
                                               length,
                                               mapped.data(),
                                               static_cast<int32_t>(mapped.size()),
                                               nullptr,
                                               status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            mapped.assign(static_cast<std::size_t>(needed), u'\0');
            status = U_ZERO_ERROR;
            needed = icu::CaseMap::toTitle("",
                                           options,
                                           nullptr,
                                           source,
                                           length,
                                           mapped.data(),
                                           static_cast<int32_t>(mapped.size()),
                                           nullptr,
                                           status);
        }
        if (U_FAILURE(status)) {
            result.append(word);
        } else {
            mapped.resize(static_cast<std::size_t>(needed));
            result.append(mapped);
        }
        position = end;
    }
    return result;
}

} // namespace

std::u16string changeCase(std::u16string_view text, Case letterCase)
{
    if (text.empty())
        return {};
    const auto* source = reinterpret_cast<const UChar*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    auto convert = [&](auto&& mapping) {
        std::u16string result(text.size(), u'\0');
        UErrorCode status = U_ZERO_ERROR;
        int32_t needed = mapping(
            reinterpret_cast<UChar*>(result.data()), static_cast<int32_t>(result.size()), status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            result.assign(static_cast<std::size_t>(needed), u'\0');
            status = U_ZERO_ERROR;
            needed = mapping(reinterpret_cast<UChar*>(result.data()),
                             static_cast<int32_t>(result.size()),
                             status);
        }
        if (U_FAILURE(status))
            return std::u16string(text);
        result.resize(static_cast<std::size_t>(needed));
        return result;
    };
    // The root locale: no Turkish dotless i, no Lithuanian dots.
    switch (letterCase) {
    case Case::upper:
        return convert([&](UChar* out, int32_t capacity, UErrorCode& status) {
            return u_strToUpper(out, capacity, source, length, "", &status);
        });
    case Case::lower:
        return convert([&](UChar* out, int32_t capacity, UErrorCode& status) {
            return u_strToLower(out, capacity, source, length, "", &status);
        });
    case Case::capitalized:
        return capitalizeWords(text);
    }
    return std::u16string(text);
}

} // namespace EditorCore::TextTidy
