#include "core/TextTidy.h"
#include "core/UnicodeScalars.h"

#include <unicode/brkiter.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>

namespace EditorCore::TextTidy {

namespace {

using Kind = Token::Kind;

constexpr std::size_t maximumDepth = 512;

bool isSpaceOrTab(char16_t unit)
{
    return unit == u' ' || unit == u'\t';
}

bool isLineBreak(char16_t unit)
{
    return unit == u'\n' || unit == u'\r';
}

// Ends a bare value: white space, brackets, separators, a quote, and U+0000, which is a fault
// of its own.
bool endsValue(char16_t unit)
{
    switch (unit) {
    case u'\0':
    case u' ':
    case u'\t':
    case u'\n':
    case u'\r':
    case u'{':
    case u'}':
    case u'[':
    case u']':
    case u',':
    case u':':
    case u'"':
        return true;
    default:
        return false;
    }
}

bool isComment(const Token& token)
{
    return token.kind == Kind::lineComment || token.kind == Kind::blockComment;
}

// Line: 1 + the LFs before `offset`; column: 1 + the scalars after the last of them.
Failure tokenizerFailureAt(std::u16string_view text, std::size_t offset)
{
    std::int64_t line = 1;
    std::int64_t column = 1;
    for (std::size_t i = 0; i < offset;) {
        const auto scalar = UnicodeScalars::at(text, i);
        i += scalar.length;
        if (scalar.value == U'\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return Failure{line, column, Failure::Reason::invalidJSON};
}

// Answers every event of the parser with "go on" and records the first fault instead of
// throwing it.
struct ValidatingHandler
{
    using json = nlohmann::json;
    std::optional<std::size_t> faultPosition;
    bool failed = false;

    bool null() { return true; }
    bool boolean(bool) { return true; }
    bool number_integer(json::number_integer_t) { return true; }
    bool number_unsigned(json::number_unsigned_t) { return true; }
    bool number_float(json::number_float_t, const json::string_t&) { return true; }
    bool string(json::string_t&) { return true; }
    bool binary(json::binary_t&) { return true; }
    bool start_object(std::size_t) { return true; }
    bool key(json::string_t&) { return true; }
    bool end_object() { return true; }
    bool start_array(std::size_t) { return true; }
    bool end_array() { return true; }
    // `position` counts the bytes read including the faulty one, so the fault starts one byte
    // before it.
    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception&)
    {
        failed = true;
        faultPosition = position;
        return false;
    }
};

std::int64_t graphemeClusterCount(std::u16string_view text)
{
    if (text.empty())
        return 0;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> clusters(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status) || !clusters)
        return static_cast<std::int64_t>(text.size());
    const icu::UnicodeString aliased(false, text.data(), static_cast<int32_t>(text.size()));
    clusters->setText(aliased);
    std::int64_t count = 0;
    for (int32_t boundary = clusters->next(); boundary != icu::BreakIterator::DONE;
         boundary = clusters->next())
        ++count;
    return count;
}

Failure parserFailureAt(const std::string& bytes, std::size_t faultOffset)
{
    faultOffset = std::min(faultOffset, bytes.size());
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::u16string before = UnicodeScalars::fromUTF8Repairing({data, faultOffset});
    const auto lastLF = before.rfind(u'\n');
    const auto line = 1 + std::count(before.begin(), before.end(), u'\n');
    const std::u16string_view lastLine = lastLF == std::u16string::npos
                                             ? std::u16string_view(before)
                                             : std::u16string_view(before).substr(lastLF + 1);
    return Failure{static_cast<std::int64_t>(line),
                   1 + graphemeClusterCount(lastLine),
                   Failure::Reason::invalidJSON};
}

void appendRepeated(std::u16string& output, std::u16string_view unit, int times)
{
    for (int i = 0; i < times; ++i)
        output.append(unit);
}

void trimSpacesAndTabs(std::u16string& output)
{
    while (!output.empty() && isSpaceOrTab(output.back()))
        output.pop_back();
}

bool endsWithLineBreak(std::u16string_view text)
{
    return !text.empty() && isLineBreak(text.back());
}

} // namespace

std::ostream& operator<<(std::ostream& out, Failure::Reason reason)
{
    switch (reason) {
    case Failure::Reason::invalidJSON:
        return out << "invalidJSON";
    case Failure::Reason::jsonHasComments:
        return out << "jsonHasComments";
    case Failure::Reason::invalidXML:
        return out << "invalidXML";
    }
    return out;
}

std::ostream& operator<<(std::ostream& out, const Failure& failure)
{
    out << failure.reason;
    if (failure.line)
        out << " line " << *failure.line;
    if (failure.column)
        out << " column " << *failure.column;
    return out;
}

Result<std::vector<Token>, Failure> tokenize(std::u16string_view text)
{
    std::vector<Token> tokens;
    std::vector<char16_t> openers;
    bool sameLine = false;
    const std::size_t size = text.size();
    std::size_t i = 0;
    auto add = [&](Kind kind, std::size_t start, std::size_t end, bool commentSameLine = false) {
        tokens.push_back(
            Token{kind, std::u16string(text.substr(start, end - start)), commentSameLine});
        sameLine = true;
    };
    while (i < size) {
        const char16_t unit = text[i];
        if (isSpaceOrTab(unit)) {
            ++i;
        } else if (isLineBreak(unit)) {
            sameLine = false;
            ++i;
        } else if (unit == u'{' || unit == u'[') {
            // The indentation of a pretty print grows with the square of the depth; the
            // platform's parser stops at the same depth.
            if (openers.size() == maximumDepth)
                return failure(tokenizerFailureAt(text, i));
            openers.push_back(unit);
            add(Kind::open, i, i + 1);
            ++i;
        } else if (unit == u'}' || unit == u']') {
            const char16_t opener = unit == u'}' ? u'{' : u'[';
            if (openers.empty() || openers.back() != opener)
                return failure(tokenizerFailureAt(text, i));
            openers.pop_back();
            add(Kind::close, i, i + 1);
            ++i;
        } else if (unit == u'"') {
            std::size_t j = i + 1;
            bool closed = false;
            while (j < size) {
                const char16_t inner = text[j];
                if (inner == u'\\') {
                    // The escaped scalar may be a surrogate pair.
                    j += 1;
                    if (j < size)
                        j += UnicodeScalars::at(text, j).length;
                } else if (inner == u'\n') {
                    break;
                } else if (inner == u'"') {
                    closed = true;
                    break;
                } else {
                    ++j;
                }
            }
            if (!closed)
                return failure(tokenizerFailureAt(text, i));
            add(Kind::value, i, j + 1);
            i = j + 1;
        } else if (unit == u',') {
            add(Kind::comma, i, i + 1);
            ++i;
        } else if (unit == u':') {
            add(Kind::colon, i, i + 1);
            ++i;
        } else if (unit == u'/' && i + 1 < size && text[i + 1] == u'*') {
            // The closing "*" stands at least two units after the "/": "/*/" is not closed.
            const auto end = text.find(u"*/", i + 2);
            if (end == std::u16string_view::npos)
                return failure(tokenizerFailureAt(text, i));
            add(Kind::blockComment, i, end + 2, sameLine);
            i = end + 2;
        } else if (unit == u'/' && i + 1 < size && text[i + 1] == u'/') {
            std::size_t j = i + 2;
            while (j < size && !isLineBreak(text[j]))
                ++j;
            add(Kind::lineComment, i, j, sameLine);
            i = j;
        } else if (unit == u'\0') {
            return failure(tokenizerFailureAt(text, i));
        } else {
            std::size_t j = i + 1;
            while (j < size && !endsValue(text[j]))
                ++j;
            add(Kind::value, i, j);
            i = j;
        }
    }
    if (!openers.empty())
        return failure(tokenizerFailureAt(text, size));
    return tokens;
}

Result<void, Failure> parseJSON(std::u16string_view text)
{
    try {
        const std::string bytes = UnicodeScalars::toUTF8(text);
        ValidatingHandler handler;
        const bool accepted = nlohmann::json::sax_parse(bytes.begin(), bytes.end(), &handler);
        // The parser's lexer takes U+0000 outside a string for the end of the input and accepts
        // what stands before it; inside a string it is a fault there. Either way the first NUL
        // is the last place a fault can be.
        const std::size_t nul = bytes.find('\0');
        if (accepted && !handler.failed) {
            if (nul == std::string::npos)
                return {};
            return failure(parserFailureAt(bytes, nul));
        }
        if (handler.faultPosition) {
            const std::size_t position = *handler.faultPosition;
            return failure(parserFailureAt(bytes, std::min(position > 0 ? position - 1 : 0, nul)));
        }
    } catch (...) {
        // The parser reports faults through the handler; anything thrown (memory) is a refusal
        // without a position.
    }
    return failure(Failure{std::nullopt, std::nullopt, Failure::Reason::invalidJSON});
}

Result<std::u16string, Failure>
prettyJSON(std::u16string_view text, std::u16string_view indent, std::u16string_view newline)
{
    auto tokenized = tokenize(text);
    if (!tokenized)
        return failure(tokenized.error());
    const std::vector<Token>& tokens = *tokenized;
    if (std::none_of(tokens.begin(), tokens.end(), isComment)) {
        if (auto valid = parseJSON(text); !valid)
            return failure(valid.error());
    }

    std::u16string output;
    output.reserve(text.size() + text.size() / 2);
    int depth = 0;
    bool atLineStart = true;
    auto lineBreak = [&] {
        output.append(newline);
        appendRepeated(output, indent, depth);
        atLineStart = true;
    };
    const std::size_t count = tokens.size();
    for (std::size_t i = 0; i < count; ++i) {
        const Token& token = tokens[i];
        const Token* next = i + 1 < count ? &tokens[i + 1] : nullptr;
        const Token* previous = i > 0 ? &tokens[i - 1] : nullptr;
        switch (token.kind) {
        case Kind::open:
            output.append(token.text);
            ++depth;
            if (next && next->kind == Kind::close)
                atLineStart = false;
            else
                lineBreak();
            break;
        case Kind::close:
            --depth;
            if (atLineStart) {
                trimSpacesAndTabs(output);
                appendRepeated(output, indent, depth);
            } else if (previous && previous->kind != Kind::open) {
                lineBreak();
            }
            output.append(token.text);
            atLineStart = false;
            break;
        case Kind::comma:
            output.append(u",");
            if (next && next->kind == Kind::lineComment && next->sameLine)
                atLineStart = false;
            else
                lineBreak();
            break;
        case Kind::colon:
            output.append(u": ");
            atLineStart = false;
            break;
        case Kind::value:
            // Two values in a row only pass beside a comment (the parser refuses them
            // otherwise); a space keeps them two values instead of gluing them into one.
            if (previous && previous->kind == Kind::value)
                output.push_back(u' ');
            output.append(token.text);
            atLineStart = false;
            break;
        case Kind::lineComment:
        case Kind::blockComment:
            if (token.sameLine) {
                if (output.empty() || output.back() != u' ')
                    output.push_back(u' ');
            } else if (!atLineStart) {
                lineBreak();
            }
            output.append(token.text);
            if (token.kind == Kind::lineComment || next)
                lineBreak();
            else
                atLineStart = false;
            break;
        }
    }
    trimSpacesAndTabs(output);
    if (!newline.empty() && output.size() >= newline.size()
        && std::u16string_view(output).substr(output.size() - newline.size()) == newline)
        output.resize(output.size() - newline.size());
    if (endsWithLineBreak(text))
        output.append(newline);
    return output;
}

Result<std::u16string, Failure> minify(std::u16string_view text)
{
    auto tokenized = tokenize(text);
    if (!tokenized)
        return failure(tokenized.error());
    const std::vector<Token>& tokens = *tokenized;
    if (std::any_of(tokens.begin(), tokens.end(), isComment))
        return failure(Failure{std::nullopt, std::nullopt, Failure::Reason::jsonHasComments});
    if (auto valid = parseJSON(text); !valid)
        return failure(valid.error());
    std::u16string output;
    output.reserve(text.size());
    for (const Token& token : tokens)
        output.append(token.text);
    return output;
}

} // namespace EditorCore::TextTidy
