#include "core/CompiledSearch.h"

#include "core/SearchPrefilter.h"
#include "core/SearchRequirement.h"
#include "core/SearchScanner.h"
#include "core/SearchSyntax.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <vector>

namespace EditorCore {
namespace {

struct Bounds
{
    std::int64_t start = 0;
    std::int64_t end = 0;
};

Bounds clampedScope(const std::optional<SearchScope>& scope, std::u16string_view text)
{
    const auto size = static_cast<std::int64_t>(text.size());
    if (!scope)
        return {0, size};
    std::int64_t start = std::min(std::max<std::int64_t>(scope->lowerBound, 0), size);
    std::int64_t end = std::min(std::max(scope->upperBound, start), size);
    return {start, end};
}

} // namespace

Result<CompiledSearch, SearchError> CompiledSearch::make(SearchQuery query)
{
    if (query.text.empty())
        return failure(SearchError::emptyQuery());

    std::u16string pattern =
        query.regularExpression ? query.text : SearchSyntax::escapedPattern(query.text);
    if (query.wholeWord)
        pattern = SearchSyntax::wholeWordPattern(pattern);

    uint32_t flags = UREGEX_UWORD;
    if (!query.caseSensitive)
        flags |= UREGEX_CASE_INSENSITIVE;
    if (query.regularExpression)
        flags |= UREGEX_MULTILINE;

    UParseError parseError{};
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString source(false, pattern.data(), static_cast<int32_t>(pattern.size()));
    std::unique_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(source, flags, parseError, status));
    if (U_FAILURE(status) || !compiled)
        return failure(SearchError::invalidPattern(std::move(pattern)));

    CompiledSearch search;
    search.m_expression = std::move(compiled);
    // The engine matches code points, so a code-unit search agrees with it unless the needle
    // could begin or end inside a surrogate pair of the text.
    search.m_plainLiteral = !query.regularExpression && query.caseSensitive && !query.wholeWord
                            && !U16_IS_TRAIL(query.text.front()) && !U16_IS_LEAD(query.text.back());
    if (!search.m_plainLiteral) {
        if (auto requirement = SearchRequirement::derive(pattern, !query.caseSensitive)) {
            if (auto prefilter = SearchPrefilter::make(*requirement))
                search.m_prefilter = std::make_shared<const SearchPrefilter>(std::move(*prefilter));
        }
    }
    search.m_query = std::move(query);
    search.m_pattern = std::move(pattern);
    return search;
}

void CompiledSearch::enumerateMatches(std::u16string_view text,
                                      std::int64_t location,
                                      std::int64_t length,
                                      bool includeZeroLength,
                                      const MatchVisitor& visitor) const
{
    SearchScanner scanner(*this, text);
    (void)scanner.enumerate(location, length, includeZeroLength, visitor);
}

bool CompiledSearch::containsMatch(std::u16string_view text,
                                   std::int64_t location,
                                   std::int64_t length) const
{
    SearchScanner scanner(*this, text);
    return scanner.contains(location, length);
}

bool CompiledSearch::collectMatches(std::u16string_view text,
                                    std::int64_t batchSize,
                                    const StopCheck& stop,
                                    const MatchBatchReceiver& receiver) const
{
    const Bounds scope = clampedScope(m_query.scope, text);
    const auto fullBatch = static_cast<std::size_t>(std::max<std::int64_t>(batchSize, 1));
    std::vector<SearchMatch> batch;
    batch.reserve(static_cast<std::size_t>(std::max<std::int64_t>(batchSize, 0)));
    bool stopped = false;

    SearchScanner scanner(*this, text);
    auto outcome = scanner.enumerate(
        scope.start,
        scope.end - scope.start,
        true,
        [&](const SearchMatch& match) {
            if (stop()) {
                stopped = true;
                return false;
            }
            if (match.length < 1)
                return true;
            batch.push_back(match);
            if (batch.size() >= fullBatch) {
                receiver(batch);
                batch.clear();
            }
            return true;
        },
        &stop);
    if (outcome == SearchScanner::Outcome::stopped)
        stopped = true;
    if (!batch.empty())
        receiver(batch);
    return !stopped;
}

std::optional<SearchMatch> CompiledSearch::nextMatch(std::u16string_view text,
                                                     std::int64_t position,
                                                     SearchDirection direction) const
{
    const Bounds scope = clampedScope(m_query.scope, text);
    const std::int64_t p = std::min(std::max(position, scope.start), scope.end);
    SearchScanner scanner(*this, text);
    std::optional<SearchMatch> found;

    auto first = [&](std::int64_t start, std::int64_t end) {
        (void)scanner.enumerate(start, end - start, false, [&](const SearchMatch& match) {
            found = match;
            return false;
        });
        return found.has_value();
    };
    auto last = [&](std::int64_t start, std::int64_t end) {
        (void)scanner.enumerate(start, end - start, false, [&](const SearchMatch& match) {
            found = match;
            return true;
        });
        return found.has_value();
    };

    if (direction == SearchDirection::forwards) {
        if (!first(p, scope.end))
            first(scope.start, scope.end);
    } else {
        if (!last(scope.start, p))
            last(scope.start, scope.end);
    }
    return found;
}

std::u16string CompiledSearch::replacementText(std::int64_t location,
                                               std::int64_t length,
                                               std::u16string_view text,
                                               std::u16string_view replacement) const
{
    if (!m_query.regularExpression)
        return std::u16string(replacement);
    SearchScanner scanner(*this, text, SearchScanner::Path::engineOnly);
    std::vector<std::optional<SearchMatch>> groups;
    // The match is read again as the search found it: with the text of the scope around it.
    const Bounds scope = clampedScope(m_query.scope, text);
    if (!scanner.matchAnchored(location, length, groups, std::pair{scope.start, scope.end}))
        return std::u16string(replacement);
    return SearchSyntax::expandTemplate(replacement, text, groups);
}

ReplaceAllResult CompiledSearch::replaceAll(std::u16string_view text,
                                            std::u16string_view replacement) const
{
    const Bounds scope = clampedScope(m_query.scope, text);
    ReplaceAllResult result;
    result.text.reserve(text.size());
    std::int64_t copied = 0;
    std::vector<std::optional<SearchMatch>> groups;

    SearchScanner scanner(*this, text);
    (void)scanner.enumerate(
        scope.start, scope.end - scope.start, true, [&](const SearchMatch& match) {
            result.text.append(text.substr(static_cast<std::size_t>(copied),
                                           static_cast<std::size_t>(match.location - copied)));
            if (m_query.regularExpression) {
                scanner.currentGroups(groups);
                result.text.append(SearchSyntax::expandTemplate(replacement, text, groups));
            } else {
                result.text.append(replacement);
            }
            copied = match.location + match.length;
            ++result.count;
            return true;
        });
    if (result.count == 0)
        result.text = std::u16string(text);
    else
        result.text.append(text.substr(static_cast<std::size_t>(copied)));
    return result;
}

std::ostream& operator<<(std::ostream& out, const SearchMatch& match)
{
    return out << '(' << match.location << ", " << match.length << ')';
}

std::ostream& operator<<(std::ostream& out, const SearchError& error)
{
    if (error.isEmptyQuery())
        return out << "emptyQuery";
    std::string message;
    icu::UnicodeString(false,
                       error.invalidPatternMessage()->data(),
                       static_cast<int32_t>(error.invalidPatternMessage()->size()))
        .toUTF8String(message);
    return out << "invalidPattern(" << message << ')';
}

} // namespace EditorCore
