#include "core/EncodingDetector.h"

#include "core/CommonCharacters.h"
#include "core/Utf8.h"

#include <algorithm>
#include <array>
#include <vector>

namespace EditorCore::EncodingDetector {
namespace {

constexpr std::size_t utf16PatternLength = 4096;
constexpr std::size_t binaryTestLength = 8192;

// The same tolerance as TextCodec::decodePrefix, over the decoder detection was given.
std::optional<std::u16string> decodePrefix(const Decoder& decoder,
                                           std::span<const std::uint8_t> sample,
                                           TextEncoding encoding,
                                           SampleIsCut cut)
{
    if (auto text = decoder(sample, encoding))
        return text;
    if (cut == SampleIsCut::no)
        return std::nullopt;
    for (std::size_t dropped = 1; dropped <= 3 && dropped < sample.size(); ++dropped) {
        if (auto text = decoder(sample.first(sample.size() - dropped), encoding))
            return text;
    }
    return std::nullopt;
}

// UTF-16 without a mark, told by where the zero bytes of mostly-ASCII text fall.
std::optional<TextEncoding> utf16Pattern(std::span<const std::uint8_t> sample)
{
    const auto head = sample.first(std::min(sample.size(), utf16PatternLength));
    const std::size_t n = head.size();
    if (n < 4)
        return std::nullopt;
    std::size_t evenZeros = 0;
    std::size_t oddZeros = 0;
    std::size_t littleEndianLineFeeds = 0;
    std::size_t bigEndianLineFeeds = 0;
    for (std::size_t i = 0; i + 1 < n; i += 2) {
        const std::uint8_t a = head[i];
        const std::uint8_t b = head[i + 1];
        if (a == 0x00)
            ++evenZeros;
        if (b == 0x00) {
            ++oddZeros;
            if (a == 0x0A)
                ++littleEndianLineFeeds;
        }
        if (b == 0x0A && a == 0x00)
            ++bigEndianLineFeeds;
    }
    const std::size_t eighth = n / 8;
    const std::size_t fortieth = n / 40;
    if (oddZeros > eighth && evenZeros < fortieth)
        return TextEncoding::utf16LE;
    if (littleEndianLineFeeds >= 1 && bigEndianLineFeeds == 0 && evenZeros == 0
        && oddZeros >= littleEndianLineFeeds)
        return TextEncoding::utf16LE;
    if (evenZeros > eighth && oddZeros < fortieth)
        return TextEncoding::utf16BE;
    if (bigEndianLineFeeds >= 1 && littleEndianLineFeeds == 0 && oddZeros == 0
        && evenZeros >= bigEndianLineFeeds)
        return TextEncoding::utf16BE;
    return std::nullopt;
}

// More than one byte in ten a control character that text does not use.
bool looksBinary(std::span<const std::uint8_t> sample)
{
    const auto head = sample.first(std::min(sample.size(), binaryTestLength));
    if (head.empty())
        return false;
    const auto controls = std::count_if(head.begin(), head.end(), [](std::uint8_t b) {
        return b < 0x20 && b != 0x09 && b != 0x0A && b != 0x0C && b != 0x0D && b != 0x1B;
    });
    return static_cast<double>(controls) / static_cast<double>(head.size()) > 0.1;
}

bool isCJKPunctuation(char32_t c)
{
    return (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF01 && c <= 0xFF5E) || c == 0x00B7
           || (c >= 0x2010 && c <= 0x203F);
}

bool isWesternMark(char32_t c)
{
    return (c >= 0x00C0 && c <= 0x00FF) || (c >= 0x2010 && c <= 0x203A) || c == 0x00A0
           || c == 0x00A9 || c == 0x00AE || c == 0x00B0 || c == 0x00AB || c == 0x00BB
           || c == 0x20AC;
}

bool isUnifiedIdeograph(char32_t c)
{
    return c >= 0x4E00 && c <= 0x9FFF;
}

enum class Script { korean, japanese, simplifiedChinese, traditionalChinese, western };

Script scriptOf(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::cp949:
    case TextEncoding::eucKR:
        return Script::korean;
    case TextEncoding::shiftJIS:
    case TextEncoding::eucJP:
        return Script::japanese;
    case TextEncoding::gb18030:
        return Script::simplifiedChinese;
    case TextEncoding::big5:
        return Script::traditionalChinese;
    default:
        return Script::western;
    }
}

// Calls `visit` with each scalar of the text; an unpaired surrogate passes as itself.
template<class Visit>
void forEachScalar(std::u16string_view text, Visit&& visit)
{
    const std::size_t count = text.size();
    for (std::size_t i = 0; i < count; ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count && text[i + 1] >= 0xDC00
            && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
            ++i;
        }
        if (!visit(c))
            return;
    }
}

} // namespace

const Decoder& codecDecoder()
{
    static const Decoder decoder = [](std::span<const std::uint8_t> bytes,
                                      TextEncoding encoding) -> std::optional<std::u16string> {
        auto text = TextCodec::decode(bytes, encoding, StripByteOrderMark::no);
        if (!text)
            return std::nullopt;
        return std::move(*text);
    };
    return decoder;
}

ContentGuess detect(std::span<const std::uint8_t> bytes,
                    std::optional<TextEncoding> remembered,
                    SampleIsCut bytesAreCut,
                    const Decoder& decoder)
{
    const auto sample = bytes.first(std::min(bytes.size(), sampleLength));
    const SampleIsCut cut = bytes.size() > sampleLength ? SampleIsCut::yes : bytesAreCut;

    // The UTF-32 marks begin with the UTF-16 ones, so they are tried first.
    for (auto encoding : {TextEncoding::utf32LE,
                          TextEncoding::utf32BE,
                          TextEncoding::utf8,
                          TextEncoding::utf16LE,
                          TextEncoding::utf16BE}) {
        if (TextCodec::hasPrefix(byteOrderMark(encoding), sample))
            return ContentGuess::text(
                {encoding, EncodingConfidence::certain, {}, EncodingSource::bom, true});
    }

    if (remembered && decodePrefix(decoder, sample, *remembered, cut))
        return ContentGuess::text(
            {*remembered, EncodingConfidence::certain, {}, EncodingSource::fileMemory, false});

    // Neither UTF-8 nor any legacy encoding of ours puts a zero byte in text.
    if (std::find(sample.begin(), sample.end(), std::uint8_t{0}) != sample.end()) {
        if (auto encoding = utf16Pattern(sample))
            return ContentGuess::text(
                {*encoding, EncodingConfidence::likely, {}, EncodingSource::utf16Pattern, false});
        return ContentGuess::binary();
    }

    if (decodePrefix(decoder, sample, TextEncoding::utf8, cut))
        return ContentGuess::text({TextEncoding::utf8,
                                   EncodingConfidence::certain,
                                   {},
                                   EncodingSource::utf8Strict,
                                   false});

    if (looksBinary(sample))
        return ContentGuess::binary();

    if (auto korean = decodePrefix(decoder, sample, TextEncoding::cp949, cut);
        korean && plausibility(*korean, TextEncoding::cp949) >= 0.9)
        return ContentGuess::text({TextEncoding::cp949,
                                   EncodingConfidence::likely,
                                   {},
                                   EncodingSource::heuristic,
                                   false});

    return ContentGuess::text(rankCandidates(sample, cut, decoder));
}

double plausibility(std::u16string_view text, TextEncoding encoding)
{
    if (text.empty())
        return 1.0;
    const Script script = scriptOf(encoding);

    // Hanja count for half in Korean text, but only in text that has Hangul at all.
    bool hasHangul = false;
    if (encoding == TextEncoding::cp949) {
        forEachScalar(text, [&](char32_t c) {
            hasHangul = CommonCharacters::isHangul(c);
            return !hasHangul;
        });
    }

    auto score = [&](char32_t c) -> double {
        switch (script) {
        case Script::korean:
            if (isCJKPunctuation(c) || CommonCharacters::isHangul(c))
                return 1.0;
            return hasHangul && isUnifiedIdeograph(c) ? 0.5 : 0.0;
        case Script::japanese:
            return (c >= 0x3040 && c <= 0x30FF) || isCJKPunctuation(c)
                           || CommonCharacters::isKanji(c)
                       ? 1.0
                       : 0.0;
        case Script::simplifiedChinese:
            return isCJKPunctuation(c) || CommonCharacters::isSimplifiedHanzi(c) ? 1.0 : 0.0;
        case Script::traditionalChinese:
            return isCJKPunctuation(c) || CommonCharacters::isTraditionalHanzi(c) ? 1.0 : 0.0;
        case Script::western:
            return isWesternMark(c) ? 1.0 : 0.0;
        }
        return 0.0;
    };

    std::size_t nonASCII = 0;
    std::size_t runs = 0;
    double good = 0.0;
    bool inRun = false;
    forEachScalar(text, [&](char32_t c) {
        if (c < 0x80) {
            inRun = false;
            return true;
        }
        if (inRun)
            ++runs;
        ++nonASCII;
        good += score(c);
        inRun = true;
        return true;
    });
    if (nonASCII == 0)
        return 1.0;
    double result = good / static_cast<double>(nonASCII);
    // Real Western text has an accented letter here and there; long runs of them are the mark
    // of East Asian bytes read as single bytes.
    if (encoding == TextEncoding::windows1252 || encoding == TextEncoding::macRoman)
        result -= 0.5 * static_cast<double>(runs) / static_cast<double>(nonASCII);
    return result;
}

EncodingGuess
rankCandidates(std::span<const std::uint8_t> sample, SampleIsCut cut, const Decoder& decoder)
{
    struct Record
    {
        TextEncoding encoding;
        double score;
    };
    std::vector<Record> records;

    for (auto encoding : {TextEncoding::cp949,
                          TextEncoding::shiftJIS,
                          TextEncoding::eucJP,
                          TextEncoding::big5,
                          TextEncoding::gb18030}) {
        if (auto text = decodePrefix(decoder, sample, encoding, cut))
            records.push_back({encoding, plausibility(*text, encoding)});
    }
    // Single-byte encodings split no character, so a cut sample needs no second try.
    if (auto text = decoder(sample, TextEncoding::windows1252))
        records.push_back(
            {TextEncoding::windows1252, plausibility(*text, TextEncoding::windows1252)});
    if (auto text = decoder(sample, TextEncoding::macRoman))
        records.push_back(
            {TextEncoding::macRoman, plausibility(*text, TextEncoding::macRoman) - 0.05});
    // UTF-8 with a few damaged sequences (a file cut or mangled in places) still reads as
    // UTF-8 when the good sequences far outnumber the bad.
    const auto lossy = Utf8::countLossy(sample);
    const std::size_t excess =
        lossy.nonASCII >= lossy.replacements ? lossy.nonASCII - lossy.replacements : 0;
    if (excess >= 8 && excess >= 20 * lossy.replacements)
        records.push_back({TextEncoding::utf8, 0.97});

    if (records.empty())
        return {TextEncoding::isoLatin1,
                EncodingConfidence::unsure,
                {TextEncoding::isoLatin1, TextEncoding::windows1252, TextEncoding::utf8},
                EncodingSource::heuristic,
                false};

    // Equal scores keep the order above.
    std::stable_sort(records.begin(), records.end(), [](const Record& a, const Record& b) {
        return a.score > b.score;
    });
    const Record& top = records.front();
    const double margin = records.size() > 1 ? top.score - records[1].score : top.score;
    EncodingGuess guess;
    guess.encoding = top.encoding;
    guess.confidence = top.score >= 0.9 && margin >= 0.15 ? EncodingConfidence::likely
                                                          : EncodingConfidence::unsure;
    for (std::size_t i = 0; i < records.size() && i < 3; ++i)
        guess.candidates.push_back(records[i].encoding);
    guess.source = EncodingSource::heuristic;
    guess.hasByteOrderMark = false;
    return guess;
}

} // namespace EditorCore::EncodingDetector
