// The XML layout may only change white space between markup: its output must stay well-formed,
// hold the same characters apart from that white space, and be its own layout.
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

std::u16string withoutXMLSpace(std::u16string_view text)
{
    std::u16string result;
    for (char16_t unit : text) {
        if (unit != u' ' && unit != u'\t' && unit != u'\n' && unit != u'\r')
            result.push_back(unit);
    }
    return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::u16string text = UnicodeScalars::fromUTF8Repairing(std::span(data, size));
    const auto pretty = TextTidy::prettyXML(text, u"\n");
    if (!pretty)
        return 0;
    check(TextTidy::parseXML(*pretty).has_value());
    check(withoutXMLSpace(*pretty) == withoutXMLSpace(text));
    const auto again = TextTidy::prettyXML(*pretty, u"\n");
    check(again.has_value() && *again == *pretty);
    return 0;
}
