// Pretty-printing and collapsing must keep every token as it was, and whatever they accept
// they must accept again after their own output.
#include "core/TextTidy.h"
#include "core/UnicodeScalars.h"

#include <cstdint>
#include <cstdlib>
#include <span>

using namespace EditorCore;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Tokens as the pretty printer may rewrite them: a final line comment loses its trailing spaces.
std::vector<TextTidy::Token> normalized(std::vector<TextTidy::Token> tokens)
{
    for (auto& token : tokens) {
        token.sameLine = false;
        if (token.kind == TextTidy::Token::Kind::lineComment) {
            while (!token.text.empty() && (token.text.back() == u' ' || token.text.back() == u'\t'))
                token.text.pop_back();
        }
    }
    return tokens;
}

void checkPosition(const TextTidy::Failure& failure)
{
    check(failure.line.has_value() == failure.column.has_value());
    if (failure.line)
        check(*failure.line >= 1 && *failure.column >= 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::u16string text = UnicodeScalars::fromUTF8Repairing(std::span(data, size));

    const auto pretty = TextTidy::prettyJSON(text, u"  ", u"\n");
    if (!pretty) {
        checkPosition(pretty.error());
        return 0;
    }
    const auto before = TextTidy::tokenize(text);
    const auto after = TextTidy::tokenize(*pretty);
    check(before.has_value() && after.has_value());
    check(normalized(*before) == normalized(*after));

    const auto again = TextTidy::prettyJSON(*pretty, u"  ", u"\n");
    check(again.has_value());

    const auto collapsed = TextTidy::minify(text);
    if (collapsed) {
        const auto collapsedAgain = TextTidy::minify(*pretty);
        check(collapsedAgain.has_value() && *collapsedAgain == *collapsed);
    } else {
        checkPosition(collapsed.error());
    }
    return 0;
}
