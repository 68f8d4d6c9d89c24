#include "core/TextEncoder.h"

#include "core/IcuConverter.h"
#include "core/Utf8.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace EditorCore {

namespace {

// Bytes are handed to the sink in pieces of about this size: large enough that a write per
// piece costs nothing, small enough to stay in cache.
constexpr std::size_t sinkPiece = std::size_t(256) << 10;

bool isLeadSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isSwappedControl(char16_t unit)
{
    return unit == 0x1A || unit == 0x1C || unit == 0x7F;
}

} // namespace

struct TextEncoder::State
{
    TextEncoding encoding = TextEncoding::utf8;
    ByteSink sink;
    std::optional<IcuConverter> converter;
    // The characters written in the file's own forms, one bit each (none: the table's forms).
    const std::vector<ByteForm>* kept = nullptr;
    std::array<std::uint64_t, 1024> isKept{};
    // UTF-8 is encoded by hand, piece by piece: a lead surrogate at the end of a piece waits
    // here for the trail that begins the next one.
    char16_t pendingLead = 0;
    // A run of the converter's has begun and not been flushed.
    bool runOpen = false;
    std::vector<std::uint8_t> buffer;
    std::uint64_t handedOn = 0;
    Stop stop = Stop::none;
    std::u16string swapped;

    bool fail(Stop why)
    {
        stop = why;
        buffer.clear();
        return false;
    }

    bool handOn(bool all)
    {
        if (buffer.empty() || (!all && buffer.size() < sinkPiece))
            return true;
        if (!sink(std::span<const std::uint8_t>(buffer.data(), buffer.size())))
            return fail(Stop::sinkStopped);
        handedOn += buffer.size();
        buffer.clear();
        return true;
    }

    bool convert(std::u16string_view run, bool last)
    {
        runOpen = !last;
        if (encoding == TextEncoding::shiftJIS
            && std::any_of(run.begin(), run.end(), isSwappedControl)) {
            swapped.assign(run);
            std::transform(swapped.begin(), swapped.end(), swapped.begin(), toWindows31jControl);
            return converter->encodePiece(swapped, last, buffer);
        }
        return converter->encodePiece(run, last, buffer);
    }

    bool isKeptUnit(char16_t unit) const { return ((isKept[unit >> 6] >> (unit & 63)) & 1) != 0; }

    // As the whole-text encode does, each kept character ends the run before it (flushed) and
    // is written as the file's sequence; the run after the last one stays open for the next
    // piece.
    bool convertWithForms(std::u16string_view piece)
    {
        std::size_t runStart = 0;
        for (std::size_t i = 0; i < piece.size(); ++i) {
            const char16_t unit = piece[i];
            if (!isKeptUnit(unit))
                continue;
            if ((i > runStart || runOpen) && !convert(piece.substr(runStart, i - runStart), true))
                return false;
            const auto form = std::lower_bound(
                kept->begin(), kept->end(), unit, [](const ByteForm& f, char16_t u) {
                    return f.character < u;
                });
            const auto sequence = form->sequence();
            buffer.insert(buffer.end(), sequence.begin(), sequence.end());
            runStart = i + 1;
        }
        return runStart == piece.size() || convert(piece.substr(runStart), false);
    }

    bool encodeUTF8(std::u16string_view piece)
    {
        if (pendingLead != 0) {
            const std::array<char16_t, 2> pair = {pendingLead, piece.front()};
            pendingLead = 0;
            if (!Utf8::encodeStrict(std::u16string_view(pair.data(), pair.size()), buffer))
                return false;
            piece.remove_prefix(1);
        }
        if (!piece.empty() && isLeadSurrogate(piece.back())) {
            pendingLead = piece.back();
            piece.remove_suffix(1);
        }
        return Utf8::encodeStrict(piece, buffer);
    }
};

TextEncoder::TextEncoder(TextEncoding encoding,
                         AddByteOrderMark add,
                         const ByteForms& forms,
                         ByteSink sink)
    : m_state(std::make_unique<State>())
{
    auto& state = *m_state;
    state.encoding = encoding;
    state.sink = std::move(sink);
    state.buffer.reserve(sinkPiece + 4096);
    if (add == AddByteOrderMark::yes) {
        const auto mark = byteOrderMark(encoding);
        state.buffer.assign(mark.begin(), mark.end());
    }
    if (encoding == TextEncoding::utf8)
        return;
    state.converter = IcuConverter::open(icuConverterName(encoding));
    if (!state.converter) {
        state.stop = Stop::unencodable;
        return;
    }
    if (!forms.kept().empty() && forms.encoding() == encoding) {
        state.kept = &forms.kept();
        for (const auto& form : forms.kept())
            state.isKept[form.character >> 6] |= std::uint64_t(1) << (form.character & 63);
    }
}

TextEncoder::~TextEncoder() = default;
TextEncoder::TextEncoder(TextEncoder&&) noexcept = default;
TextEncoder& TextEncoder::operator=(TextEncoder&&) noexcept = default;

bool TextEncoder::add(std::u16string_view piece)
{
    auto& state = *m_state;
    if (state.stop != Stop::none)
        return false;
    if (piece.empty())
        return true;
    bool encoded = false;
    if (state.encoding == TextEncoding::utf8)
        encoded = state.encodeUTF8(piece);
    else if (state.kept != nullptr)
        encoded = state.convertWithForms(piece);
    else
        encoded = state.convert(piece, false);
    if (!encoded)
        return state.fail(Stop::unencodable);
    return state.handOn(false);
}

bool TextEncoder::finish()
{
    auto& state = *m_state;
    if (state.stop != Stop::none)
        return false;
    if (state.pendingLead != 0)
        return state.fail(Stop::unencodable);
    if (state.runOpen && !state.convert({}, true))
        return state.fail(Stop::unencodable);
    return state.handOn(true);
}

TextEncoder::Stop TextEncoder::stop() const
{
    return m_state->stop;
}

std::uint64_t TextEncoder::byteCount() const
{
    return m_state->handedOn;
}

} // namespace EditorCore
