#include "core/TextCodec.h"

#include "core/ChunkedText.h"
#include "core/DoubleByteTable.h"
#include "core/IcuConverter.h"
#include "core/SnapshotUText.h"
#include "core/TextEncoder.h"
#include "core/Utf8.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <unordered_set>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace EditorCore {

TextCodecError TextCodecError::notDecodable(TextEncoding encoding)
{
    return {NotDecodable{encoding}};
}

TextCodecError TextCodecError::unencodable(TextEncoding encoding,
                                           std::vector<std::u16string> characters)
{
    return {Unencodable{encoding, std::move(characters)}};
}

TextEncoding TextCodecError::encoding() const
{
    return std::visit([](const auto& r) { return r.encoding; }, reason);
}

std::ostream& operator<<(std::ostream& out, const TextCodecError& error)
{
    if (const auto* unencodable = error.unencodable()) {
        out << "unencodable(" << unencodable->encoding << ",";
        for (const auto& character : unencodable->characters) {
            out << " U+";
            // Code units are enough to tell test failures apart.
            for (char16_t unit : character) {
                constexpr char digits[] = "0123456789ABCDEF";
                for (int shift = 12; shift >= 0; shift -= 4)
                    out << digits[(unit >> shift) & 0xF];
            }
        }
        return out << ")";
    }
    return out << "notDecodable(" << error.encoding() << ")";
}

namespace {

bool isSwappedControl(char16_t unit)
{
    return unit == 0x1A || unit == 0x1C || unit == 0x7F;
}

// Below this the table's one-time build costs more than it saves.
constexpr std::size_t doubleByteTableThreshold = std::size_t(4) << 20;

// The text of a large file is written once, front to back, into fresh memory: in huge pages
// the kernel takes one fault per 2 MiB instead of one per 4 KiB.
void adviseHugePages(std::u16string& text)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t hugePage = std::uintptr_t(2) << 20;
    const std::size_t bytes = text.capacity() * sizeof(char16_t);
    if (bytes < 8 * hugePage)
        return;
    const auto begin = reinterpret_cast<std::uintptr_t>(text.data());
    const std::uintptr_t alignedBegin = (begin + hugePage - 1) & ~(hugePage - 1);
    const std::uintptr_t alignedEnd = (begin + bytes) & ~(hugePage - 1);
    if (alignedEnd > alignedBegin)
        ::madvise(reinterpret_cast<void*>(alignedBegin), alignedEnd - alignedBegin, MADV_HUGEPAGE);
#else
    (void)text;
#endif
}

bool decodeInto(std::span<const std::uint8_t> bytes,
                TextEncoding encoding,
                std::u16string& text,
                ByteForms::Reader* forms)
{
    if (encoding == TextEncoding::utf8)
        return Utf8::decodeStrict(bytes, text);
    if (bytes.size() >= doubleByteTableThreshold) {
        if (const auto* table = DoubleByteTable::forEncoding(encoding)) {
            const auto* watched = forms ? forms->watchedPairs() : nullptr;
            if (watched == nullptr) {
                if (!table->decode(bytes, text))
                    return false;
                if (forms)
                    forms->add(bytes, text);
                return true;
            }
            return table->decode(
                bytes, text, *watched, [forms](std::uint16_t pair) { forms->notePair(pair); });
        }
    }
    auto converter = IcuConverter::open(icuConverterName(encoding));
    if (!converter)
        return false;
    if (!converter->decode(bytes, text))
        return false;
    if (encoding == TextEncoding::shiftJIS)
        std::transform(text.begin(), text.end(), text.begin(), fromWindows31jControl);
    if (forms)
        forms->add(bytes, text);
    return true;
}

bool encodeRun(IcuConverter& converter,
               std::u16string_view text,
               TextEncoding encoding,
               std::vector<std::uint8_t>& bytes)
{
    if (encoding == TextEncoding::shiftJIS
        && std::any_of(text.begin(), text.end(), isSwappedControl)) {
        std::u16string swapped(text);
        std::transform(swapped.begin(), swapped.end(), swapped.begin(), toWindows31jControl);
        return converter.encode(swapped, bytes);
    }
    return converter.encode(text, bytes);
}

// The forms that apply to an encode in `encoding`: none unless they were read in it.
const std::vector<ByteForm>* keptForms(const ByteForms& forms, TextEncoding encoding)
{
    if (forms.kept().empty() || forms.encoding() != encoding)
        return nullptr;
    return &forms.kept();
}

// Runs of the table's forms between the kept characters, each of which is one unit outside
// the surrogates, so no run splits a character.
bool encodeWithForms(IcuConverter& converter,
                     std::u16string_view text,
                     TextEncoding encoding,
                     const std::vector<ByteForm>& kept,
                     std::vector<std::uint8_t>& bytes)
{
    std::array<std::uint64_t, 1024> isKept{};
    for (const auto& form : kept)
        isKept[form.character >> 6] |= std::uint64_t(1) << (form.character & 63);
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (((isKept[unit >> 6] >> (unit & 63)) & 1) == 0)
            continue;
        if (i > runStart
            && !encodeRun(converter, text.substr(runStart, i - runStart), encoding, bytes))
            return false;
        const auto form =
            std::lower_bound(kept.begin(), kept.end(), unit, [](const ByteForm& f, char16_t u) {
                return f.character < u;
            });
        const auto sequence = form->sequence();
        bytes.insert(bytes.end(), sequence.begin(), sequence.end());
        runStart = i + 1;
    }
    return runStart == text.size() || encodeRun(converter, text.substr(runStart), encoding, bytes);
}

bool encodeInto(std::u16string_view text,
                TextEncoding encoding,
                const ByteForms& forms,
                std::vector<std::uint8_t>& bytes)
{
    if (encoding == TextEncoding::utf8)
        return Utf8::encodeStrict(text, bytes);
    auto converter = IcuConverter::open(icuConverterName(encoding));
    if (!converter)
        return false;
    if (const auto* kept = keptForms(forms, encoding))
        return encodeWithForms(*converter, text, encoding, *kept, bytes);
    return encodeRun(*converter, text, encoding, bytes);
}

// Every one of the fourteen encodings represents ASCII, so such a cluster needs no converter.
bool isASCII(std::u16string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char16_t unit) { return unit < 0x80; });
}

} // namespace

namespace TextCodec {

namespace {

Result<std::u16string, TextCodecError> decodeNoting(std::span<const std::uint8_t> bytes,
                                                    TextEncoding encoding,
                                                    StripByteOrderMark strip,
                                                    ByteForms::Reader* forms)
{
    const auto mark = byteOrderMark(encoding);
    if (strip == StripByteOrderMark::yes && !mark.empty() && hasPrefix(mark, bytes))
        bytes = bytes.subspan(mark.size());
    std::u16string text;
    // No encoding of ours yields more UTF-16 units than it has bytes.
    text.reserve(bytes.size());
    adviseHugePages(text);
    if (!decodeInto(bytes, encoding, text, forms))
        return failure(TextCodecError::notDecodable(encoding));
    // Large buffers keep their unused tail untouched and cost no memory; a small one that is
    // mostly unused is handed back.
    if (text.capacity() - text.size() > text.size() / 4 && text.capacity() < (std::size_t(1) << 24))
        text.shrink_to_fit();
    return text;
}

} // namespace

Result<std::u16string, TextCodecError>
decode(std::span<const std::uint8_t> bytes, TextEncoding encoding, StripByteOrderMark strip)
{
    return decodeNoting(bytes, encoding, strip, nullptr);
}

Result<std::u16string, TextCodecError> decode(std::span<const std::uint8_t> bytes,
                                              TextEncoding encoding,
                                              StripByteOrderMark strip,
                                              ByteForms::Reader& forms)
{
    // A reader of another encoding would read these bytes with the wrong table.
    return decodeNoting(bytes, encoding, strip, forms.encoding() == encoding ? &forms : nullptr);
}

Result<void, TextCodecError> decode(std::span<const std::uint8_t> bytes,
                                    TextEncoding encoding,
                                    StripByteOrderMark strip,
                                    ByteForms::Reader& forms,
                                    std::u16string& text)
{
    const auto mark = byteOrderMark(encoding);
    if (strip == StripByteOrderMark::yes && !mark.empty() && hasPrefix(mark, bytes))
        bytes = bytes.subspan(mark.size());
    text.clear();
    text.reserve(bytes.size());
    if (!decodeInto(bytes, encoding, text, forms.encoding() == encoding ? &forms : nullptr))
        return failure(TextCodecError::notDecodable(encoding));
    return {};
}

Result<std::vector<std::uint8_t>, TextCodecError> encode(std::u16string_view text,
                                                         TextEncoding encoding,
                                                         AddByteOrderMark add,
                                                         const ByteForms& forms)
{
    std::vector<std::uint8_t> bytes;
    if (add == AddByteOrderMark::yes) {
        const auto mark = byteOrderMark(encoding);
        bytes.assign(mark.begin(), mark.end());
    }
    if (!encodeInto(text, encoding, forms, bytes))
        return failure(TextCodecError::unencodable(
            encoding, unencodableCharacters(text, encoding, encodeErrorLimit, forms)));
    return bytes;
}

namespace {

// The clusters of a text that the encoding cannot represent, read through `clusters` (set to
// the text already) and copied out one at a time by `cluster`.
template<typename ClusterText>
std::vector<std::u16string> listUnencodable(icu::BreakIterator& clusters,
                                            const ClusterText& cluster,
                                            TextEncoding encoding,
                                            std::size_t limit,
                                            const ByteForms& forms)
{
    std::vector<std::u16string> result;
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    if (U_FAILURE(status) || nfd == nullptr)
        return result;

    const bool isUTF8 = encoding == TextEncoding::utf8;
    auto converter =
        isUTF8 ? std::optional<IcuConverter>() : IcuConverter::open(icuConverterName(encoding));
    if (!isUTF8 && !converter)
        return result;
    const auto* kept = isUTF8 ? nullptr : keptForms(forms, encoding);
    auto converts = [&](std::u16string_view character) {
        std::vector<std::uint8_t> scratch;
        if (isUTF8)
            return Utf8::encodeStrict(character, scratch);
        if (kept)
            return encodeWithForms(*converter, character, encoding, *kept, scratch);
        return encodeRun(*converter, character, encoding, scratch);
    };

    std::unordered_set<std::u16string> encodable;
    std::unordered_set<std::u16string> listed; // decomposed forms of the result
    for (int32_t start = clusters.first(), end = clusters.next(); end != icu::BreakIterator::DONE;
         start = end, end = clusters.next()) {
        std::u16string key = cluster(start, end);
        if (isASCII(key))
            continue;
        if (encodable.contains(key))
            continue;
        icu::UnicodeString decomposed;
        nfd->normalize(
            icu::UnicodeString(false, key.data(), int32_t(key.size())), decomposed, status);
        std::u16string decomposedKey(decomposed.getBuffer(), decomposed.length());
        if (listed.contains(decomposedKey))
            continue;
        if (converts(key)) {
            encodable.insert(std::move(key));
            continue;
        }
        result.push_back(std::move(key));
        listed.insert(std::move(decomposedKey));
        if (result.size() == limit)
            break;
    }
    return result;
}

} // namespace

std::vector<std::u16string> unencodableCharacters(std::u16string_view text,
                                                  TextEncoding encoding,
                                                  std::size_t limit,
                                                  const ByteForms& forms)
{
    if (limit == 0 || text.empty())
        return {};
    {
        // The common answer, "none", from one pass over the whole text.
        std::vector<std::uint8_t> scratch;
        if (encodeInto(text, encoding, forms, scratch))
            return {};
    }

    // ICU's break iterators count in 32 bits; a text past 2^31 units (4 GiB) is looked at up
    // to there.
    text = text.substr(0, std::min<std::size_t>(text.size(), INT32_MAX));
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> clusters(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status) || clusters == nullptr)
        return {};
    const icu::UnicodeString whole(false, text.data(), static_cast<int32_t>(text.size()));
    clusters->setText(whole);
    return listUnencodable(
        *clusters,
        [text](int32_t start, int32_t end) {
            return std::u16string(text.substr(start, end - start));
        },
        encoding,
        limit,
        forms);
}

namespace {

// The snapshot's characters the encoding cannot represent, once an encode found there are some.
std::vector<std::u16string> unencodableIn(const TextSnapshot& text,
                                          TextEncoding encoding,
                                          std::size_t limit,
                                          const ByteForms& forms)
{
    const std::int64_t length = std::min<std::int64_t>(text.length(), INT32_MAX);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> clusters(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    UText* readable = openSnapshotUText(nullptr, text, 0, length, &status);
    if (U_FAILURE(status) || clusters == nullptr || readable == nullptr) {
        utext_close(readable);
        return {};
    }
    clusters->setText(readable, status);
    auto result =
        U_FAILURE(status)
            ? std::vector<std::u16string>()
            : listUnencodable(
                *clusters,
                [&text](int32_t start, int32_t end) { return text.text(start, end - start); },
                encoding,
                limit,
                forms);
    // The iterator keeps its own clone of the UText.
    clusters.reset();
    utext_close(readable);
    return result;
}

} // namespace

std::vector<std::u16string> unencodableCharacters(const TextSnapshot& text,
                                                  TextEncoding encoding,
                                                  std::size_t limit,
                                                  const ByteForms& forms)
{
    if (limit == 0 || text.isEmpty())
        return {};
    // The common answer, "none", from one pass that keeps no bytes.
    TextEncoder check(
        encoding, AddByteOrderMark::no, forms, [](std::span<const std::uint8_t>) { return true; });
    text.visit(0, text.length(), [&check](std::u16string_view piece) { return check.add(piece); });
    if (check.finish())
        return {};
    return unencodableIn(text, encoding, limit, forms);
}

Result<std::uint64_t, EncodeStop>
encode(const TextSnapshot& text,
       TextEncoding encoding,
       AddByteOrderMark add,
       const ByteForms& forms,
       const std::function<bool(std::span<const std::uint8_t>)>& sink)
{
    TextEncoder encoder(encoding, add, forms, sink);
    text.visit(
        0, text.length(), [&encoder](std::u16string_view piece) { return encoder.add(piece); });
    encoder.finish();
    switch (encoder.stop()) {
    case TextEncoder::Stop::none:
        return encoder.byteCount();
    case TextEncoder::Stop::sinkStopped:
        return failure(EncodeStop{SinkStopped{}});
    case TextEncoder::Stop::unencodable:
        break;
    }
    return failure(EncodeStop{TextCodecError::unencodable(
        encoding, unencodableIn(text, encoding, encodeErrorLimit, forms))});
}

std::optional<std::u16string>
decodePrefix(std::span<const std::uint8_t> sample, TextEncoding encoding, SampleIsCut cut)
{
    for (std::size_t dropped = 0; dropped <= 3; ++dropped) {
        if (dropped > 0 && (cut == SampleIsCut::no || dropped >= sample.size()))
            break;
        if (auto text =
                decode(sample.first(sample.size() - dropped), encoding, StripByteOrderMark::no))
            return std::move(*text);
    }
    return std::nullopt;
}

bool hasPrefix(std::span<const std::uint8_t> prefix, std::span<const std::uint8_t> bytes)
{
    return prefix.size() <= bytes.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

} // namespace TextCodec

} // namespace EditorCore
