#include "core/TextEncoder.h"

#include "core/IcuConverter.h"

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

bool isTrailSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Every surrogate of the piece is half of a pair.
bool surrogatesPaired(std::u16string_view piece)
{
    for (std::size_t i = 0; i < piece.size(); ++i) {
        const char16_t unit = piece[i];
        if (unit < 0xD800 || unit > 0xDFFF)
            continue;
        if (!isLeadSurrogate(unit) || i + 1 == piece.size() || !isTrailSurrogate(piece[i + 1]))
            return false;
        ++i;
    }
    return true;
}

// The encodings written by hand rather than through ICU: their bytes follow from the units
// alone, and a large text is written several times as fast.
enum class Form { icu, utf8, utf16LE, utf16BE, utf32LE, utf32BE, latin1 };

Form formOf(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::utf8:
        return Form::utf8;
    case TextEncoding::utf16LE:
        return Form::utf16LE;
    case TextEncoding::utf16BE:
        return Form::utf16BE;
    case TextEncoding::utf32LE:
        return Form::utf32LE;
    case TextEncoding::utf32BE:
        return Form::utf32BE;
    case TextEncoding::isoLatin1:
        return Form::latin1;
    default:
        return Form::icu;
    }
}

bool isSwappedControl(char16_t unit)
{
    return unit == 0x1A || unit == 0x1C || unit == 0x7F;
}

} // namespace

struct TextEncoder::State
{
    TextEncoding encoding = TextEncoding::utf8;
    Form form = Form::utf8;
    ByteSink sink;
    std::optional<IcuConverter> converter;
    // The characters written in the file's own forms, one bit each (none: the table's forms).
    const std::vector<ByteForm>* kept = nullptr;
    std::array<std::uint64_t, 1024> isKept{};
    // The Unicode forms are encoded by hand, piece by piece: a lead surrogate at the end of a
    // piece waits here for the trail that begins the next one.
    char16_t pendingLead = 0;
    // A run of the converter's has begun and not been flushed.
    bool runOpen = false;
    // The bytes not yet handed on: written in place, never zeroed first.
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t capacity = 0;
    std::size_t used = 0;
    std::vector<std::uint8_t> converted;
    std::uint64_t handedOn = 0;
    Stop stop = Stop::none;
    std::u16string swapped;

    bool fail(Stop why)
    {
        stop = why;
        used = 0;
        return false;
    }

    bool handOn(bool all)
    {
        if (used == 0 || (!all && used < sinkPiece))
            return true;
        if (!sink(std::span<const std::uint8_t>(bytes.get(), used)))
            return fail(Stop::sinkStopped);
        handedOn += used;
        used = 0;
        return true;
    }

    // Room for `count` more bytes, handing on what is held when it would not fit; null when the
    // sink refused it.
    std::uint8_t* room(std::size_t count)
    {
        if (used + count > capacity) {
            if (!handOn(true))
                return nullptr;
            if (count > capacity) {
                capacity = count;
                bytes = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
            }
        }
        return bytes.get() + used;
    }

    bool append(std::span<const std::uint8_t> more)
    {
        std::uint8_t* out = room(more.size());
        if (out == nullptr)
            return false;
        std::copy(more.begin(), more.end(), out);
        used += more.size();
        return true;
    }

    bool convert(std::u16string_view run, bool last)
    {
        runOpen = !last;
        converted.clear();
        bool encoded = false;
        if (encoding == TextEncoding::shiftJIS
            && std::any_of(run.begin(), run.end(), isSwappedControl)) {
            swapped.assign(run);
            std::transform(swapped.begin(), swapped.end(), swapped.begin(), toWindows31jControl);
            encoded = converter->encodePiece(swapped, last, converted);
        } else {
            encoded = converter->encodePiece(run, last, converted);
        }
        if (!encoded)
            return fail(Stop::unencodable);
        return append(converted);
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
            const auto byteForm = std::lower_bound(
                kept->begin(), kept->end(), unit, [](const ByteForm& f, char16_t u) {
                    return f.character < u;
                });
            if (!append(byteForm->sequence()))
                return false;
            runStart = i + 1;
        }
        return runStart == piece.size() || convert(piece.substr(runStart), false);
    }

    // Writes the units of a Unicode form, whose surrogates are paired, at `out`; the bytes
    // written. Room for four bytes a unit is enough for every form.
    std::size_t writeForm(std::u16string_view units, std::uint8_t* out) const
    {
        std::uint8_t* const start = out;
        switch (form) {
        case Form::utf8:
            for (std::size_t i = 0; i < units.size(); ++i) {
                const char16_t unit = units[i];
                if (unit < 0x80) {
                    *out++ = static_cast<std::uint8_t>(unit);
                } else if (unit < 0x800) {
                    *out++ = static_cast<std::uint8_t>(0xC0 | (unit >> 6));
                    *out++ = static_cast<std::uint8_t>(0x80 | (unit & 0x3F));
                } else if (!isLeadSurrogate(unit)) {
                    *out++ = static_cast<std::uint8_t>(0xE0 | (unit >> 12));
                    *out++ = static_cast<std::uint8_t>(0x80 | ((unit >> 6) & 0x3F));
                    *out++ = static_cast<std::uint8_t>(0x80 | (unit & 0x3F));
                } else {
                    const char32_t scalar =
                        0x10000 + ((char32_t(unit) - 0xD800) << 10) + (units[++i] - 0xDC00);
                    *out++ = static_cast<std::uint8_t>(0xF0 | (scalar >> 18));
                    *out++ = static_cast<std::uint8_t>(0x80 | ((scalar >> 12) & 0x3F));
                    *out++ = static_cast<std::uint8_t>(0x80 | ((scalar >> 6) & 0x3F));
                    *out++ = static_cast<std::uint8_t>(0x80 | (scalar & 0x3F));
                }
            }
            break;
        case Form::utf16LE:
            for (char16_t unit : units) {
                *out++ = static_cast<std::uint8_t>(unit);
                *out++ = static_cast<std::uint8_t>(unit >> 8);
            }
            break;
        case Form::utf16BE:
            for (char16_t unit : units) {
                *out++ = static_cast<std::uint8_t>(unit >> 8);
                *out++ = static_cast<std::uint8_t>(unit);
            }
            break;
        case Form::utf32LE:
        case Form::utf32BE:
            for (std::size_t i = 0; i < units.size(); ++i) {
                char32_t scalar = units[i];
                if (isLeadSurrogate(units[i]))
                    scalar = 0x10000 + ((scalar - 0xD800) << 10) + (units[++i] - 0xDC00);
                for (int b = 0; b < 4; ++b) {
                    const int shift = form == Form::utf32BE ? 24 - 8 * b : 8 * b;
                    *out++ = static_cast<std::uint8_t>(scalar >> shift);
                }
            }
            break;
        default:
            break;
        }
        return static_cast<std::size_t>(out - start);
    }

    // Units that need one byte each in the form (ASCII in UTF-8, U+0000...U+00FF in Latin-1),
    // narrowed in one pass that the compiler vectorises; false, with nothing written, when one
    // does not.
    static bool narrowed(std::u16string_view units, char16_t below, std::uint8_t* out)
    {
        char16_t seen = 0;
        for (std::size_t i = 0; i < units.size(); ++i) {
            seen |= units[i];
            out[i] = static_cast<std::uint8_t>(units[i]);
        }
        return seen < below;
    }

    bool hasSurrogate(std::u16string_view units) const
    {
        bool any = false;
        for (char16_t unit : units)
            any |= (unit & 0xF800) == 0xD800;
        return any;
    }

    bool encodeUnicode(std::u16string_view piece)
    {
        if (pendingLead != 0) {
            if (!isTrailSurrogate(piece.front()))
                return fail(Stop::unencodable);
            const std::array<char16_t, 2> pair = {pendingLead, piece.front()};
            pendingLead = 0;
            std::uint8_t* out = room(8);
            if (out == nullptr)
                return false;
            used += writeForm(std::u16string_view(pair.data(), pair.size()), out);
            piece.remove_prefix(1);
        }
        if (!piece.empty() && isLeadSurrogate(piece.back())) {
            pendingLead = piece.back();
            piece.remove_suffix(1);
        }
        std::uint8_t* out = room(4 * piece.size());
        if (out == nullptr)
            return false;
        // ASCII has no surrogates to check.
        if (form == Form::utf8 && narrowed(piece, 0x80, out)) {
            used += piece.size();
            return true;
        }
        if (hasSurrogate(piece) && !surrogatesPaired(piece))
            return fail(Stop::unencodable);
        used += writeForm(piece, out);
        return true;
    }

    bool encodeLatin1(std::u16string_view piece)
    {
        std::uint8_t* out = room(piece.size());
        if (out == nullptr)
            return false;
        if (!narrowed(piece, 0x100, out))
            return fail(Stop::unencodable);
        used += piece.size();
        return true;
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
    state.form = formOf(encoding);
    state.sink = std::move(sink);
    state.capacity = sinkPiece + (std::size_t(64) << 10);
    state.bytes = std::make_unique_for_overwrite<std::uint8_t[]>(state.capacity);
    if (add == AddByteOrderMark::yes)
        state.append(byteOrderMark(encoding));
    if (state.form != Form::icu)
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
    if (state.form == Form::latin1)
        encoded = state.encodeLatin1(piece);
    else if (state.form != Form::icu)
        encoded = state.encodeUnicode(piece);
    else if (state.kept != nullptr)
        encoded = state.convertWithForms(piece);
    else
        encoded = state.convert(piece, false);
    return encoded && state.handOn(false);
}

bool TextEncoder::finish()
{
    auto& state = *m_state;
    if (state.stop != Stop::none)
        return false;
    if (state.pendingLead != 0)
        return state.fail(Stop::unencodable);
    if (state.runOpen && !state.convert({}, true))
        return false;
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
