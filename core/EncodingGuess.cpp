#include "core/EncodingGuess.h"

#include <array>
#include <utility>

namespace EditorCore {
namespace {

constexpr std::array<std::pair<EncodingConfidence, std::string_view>, 3> confidenceNames = {{
    {EncodingConfidence::certain, "certain"},
    {EncodingConfidence::likely, "likely"},
    {EncodingConfidence::unsure, "unsure"},
}};

constexpr std::array<std::pair<EncodingSource, std::string_view>, 6> sourceNames = {{
    {EncodingSource::bom, "bom"},
    {EncodingSource::utf8Strict, "utf8Strict"},
    {EncodingSource::utf16Pattern, "utf16Pattern"},
    {EncodingSource::fileMemory, "fileMemory"},
    {EncodingSource::heuristic, "heuristic"},
    {EncodingSource::userChoice, "userChoice"},
}};

template<class Enum, std::size_t N>
std::optional<Enum> fromRawValue(const std::array<std::pair<Enum, std::string_view>, N>& table,
                                 std::string_view raw)
{
    for (const auto& [value, name] : table) {
        if (name == raw)
            return value;
    }
    return std::nullopt;
}

} // namespace

std::string_view rawValue(EncodingConfidence confidence)
{
    return confidenceNames[static_cast<std::size_t>(confidence)].second;
}

std::optional<EncodingConfidence> encodingConfidenceFromRawValue(std::string_view raw)
{
    return fromRawValue(confidenceNames, raw);
}

std::ostream& operator<<(std::ostream& out, EncodingConfidence confidence)
{
    return out << rawValue(confidence);
}

std::string_view rawValue(EncodingSource source)
{
    return sourceNames[static_cast<std::size_t>(source)].second;
}

std::optional<EncodingSource> encodingSourceFromRawValue(std::string_view raw)
{
    return fromRawValue(sourceNames, raw);
}

std::ostream& operator<<(std::ostream& out, EncodingSource source)
{
    return out << rawValue(source);
}

std::ostream& operator<<(std::ostream& out, const EncodingGuess& guess)
{
    out << "{" << guess.encoding << ", " << guess.confidence << ", [";
    for (std::size_t i = 0; i < guess.candidates.size(); ++i)
        out << (i == 0 ? "" : " ") << guess.candidates[i];
    return out << "], " << guess.source << (guess.hasByteOrderMark ? ", bom}" : "}");
}

std::ostream& operator<<(std::ostream& out, const ContentGuess& guess)
{
    if (const auto* text = guess.textGuess())
        return out << "text" << *text;
    return out << "binary";
}

} // namespace EditorCore
