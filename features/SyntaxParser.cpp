#include "features/SyntaxParser.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace EditorFeatures {
namespace {

// The runtime counts bytes in 32 bits; UTF-16 doubles every offset.
constexpr std::size_t maximumUnits = std::numeric_limits<std::int32_t>::max();

} // namespace

std::optional<SyntaxParser> SyntaxParser::make(const SyntaxLanguage& language)
{
    TSParser* raw = ts_parser_new();
    if (!raw)
        return std::nullopt;
    if (!ts_parser_set_language(raw, language.raw())) {
        ts_parser_delete(raw);
        return std::nullopt;
    }
    return SyntaxParser(language, raw);
}

SyntaxParser::SyntaxParser(SyntaxLanguage language, TSParser* raw)
    : m_language(std::move(language))
    , m_raw(raw)
{}

std::optional<SyntaxTree> SyntaxParser::parse(std::u16string_view units, const SyntaxTree* oldTree)
{
    if (units.size() > maximumUnits)
        return std::nullopt;
    TSTree* tree = ts_parser_parse_string_encoding(m_raw.get(),
                                                   oldTree ? oldTree->raw() : nullptr,
                                                   reinterpret_cast<const char*>(units.data()),
                                                   static_cast<std::uint32_t>(units.size() * 2),
                                                   TSInputEncodingUTF16LE);
    if (!tree)
        return std::nullopt;
    return SyntaxTree(tree);
}

namespace {

// What the parser's read callback walks: the chunk holding each asked offset, a one-byte chunk
// widened into `buffer`. The parser reads one chunk at a time and asks again past its end, so
// one buffer serves every call.
struct ChunkReader
{
    const EditorCore::TextSnapshot& text;
    std::u16string buffer;

    static const char*
    read(void* payload, std::uint32_t byteIndex, TSPoint, std::uint32_t* bytesRead)
    {
        auto& reader = *static_cast<ChunkReader*>(payload);
        const std::int64_t offset = byteIndex / 2;
        if (offset >= reader.text.length()) {
            *bytesRead = 0;
            return "";
        }
        const EditorCore::TextSnapshot::Piece piece = reader.text.chunkAt(offset, reader.buffer);
        const auto skipped = static_cast<std::size_t>(offset - piece.start);
        const char* bytes = reinterpret_cast<const char*>(piece.units.data() + skipped);
        // An odd index (never asked for in UTF-16) lands inside the unit it names.
        const std::uint32_t odd = byteIndex % 2;
        *bytesRead = static_cast<std::uint32_t>((piece.units.size() - skipped) * 2) - odd;
        return bytes + odd;
    }
};

} // namespace

std::optional<SyntaxTree> SyntaxParser::parse(const EditorCore::TextSnapshot& text,
                                              const SyntaxTree* oldTree)
{
    if (static_cast<std::uint64_t>(text.length()) > maximumUnits)
        return std::nullopt;
    ChunkReader reader{text, {}};
    TSInput input{};
    input.payload = &reader;
    input.read = &ChunkReader::read;
    input.encoding = TSInputEncodingUTF16LE;
    input.decode = nullptr;
    TSTree* tree = ts_parser_parse(m_raw.get(), oldTree ? oldTree->raw() : nullptr, input);
    if (!tree)
        return std::nullopt;
    return SyntaxTree(tree);
}

std::optional<SyntaxTree> SyntaxParser::parse(std::u16string_view units,
                                              std::span<const SyntaxRange> ranges)
{
    if (ranges.empty() || units.size() > maximumUnits)
        return std::nullopt;

    // One forward scan serves every range: rows count line feeds only.
    std::size_t scanned = 0;
    std::uint32_t row = 0;
    std::int64_t lineStart = 0;
    auto pointAt = [&](std::int64_t offset) {
        auto target = std::min<std::size_t>(static_cast<std::size_t>(offset), units.size());
        for (; scanned < target; ++scanned) {
            if (units[scanned] == u'\n') {
                ++row;
                lineStart = static_cast<std::int64_t>(scanned) + 1;
            }
        }
        return TSPoint{row, static_cast<std::uint32_t>((offset - lineStart) * 2)};
    };

    std::vector<TSRange> included;
    included.reserve(ranges.size());
    for (const auto& range : ranges) {
        TSRange entry;
        entry.start_point = pointAt(range.start);
        entry.end_point = pointAt(range.end);
        entry.start_byte = static_cast<std::uint32_t>(range.start * 2);
        entry.end_byte = static_cast<std::uint32_t>(range.end * 2);
        included.push_back(entry);
    }
    if (!ts_parser_set_included_ranges(
            m_raw.get(), included.data(), static_cast<std::uint32_t>(included.size())))
        return std::nullopt;
    auto tree = parse(units, nullptr);
    ts_parser_set_included_ranges(m_raw.get(), nullptr, 0);
    return tree;
}

} // namespace EditorFeatures
