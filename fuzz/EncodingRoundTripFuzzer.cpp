// Any bytes opened as a file, detected or read in an encoding the user picks, must save back
// unedited as the same bytes, or the save must refuse; never other bytes. Decoding in the
// pieces a large file is read in must give the text of the whole decode, and encoding the text
// chunk by chunk, as a save does, the bytes of the whole encode.
#include "FuzzCheck.h"
#include "app/documents/DocumentReading.h"
#include "app/documents/SaveRules.h"
#include "core/ChunkDecoding.h"
#include "core/ChunkedText.h"
#include "core/EncodingDetector.h"
#include "core/TextCodec.h"

#include <vector>

using namespace EditorCore;
using namespace EditorDocuments;
using FuzzCheck::check;

namespace {

void checkSavesBack(std::span<const std::uint8_t> bytes, const Loaded& loaded, std::size_t piece)
{
    const std::u16string text = loaded.text.text();
    auto saved = SaveRules::encodedData(text, loaded.format);
    // Chunks of a few units, so that their borders fall all over the text.
    const auto limits =
        ChunkLimits{std::int64_t(piece), std::int64_t(piece), 2 * std::int64_t(piece)};
    std::vector<std::uint8_t> streamed;
    auto written =
        SaveRules::writeEncoded(ChunkedText(text, limits).snapshot(),
                                loaded.format,
                                [&streamed](std::span<const std::uint8_t> more) {
                                    streamed.insert(streamed.end(), more.begin(), more.end());
                                    return true;
                                });
    check(written.has_value() == saved.has_value(), "a save in chunks refuses otherwise");
    if (!saved)
        return;
    check(streamed == *saved, "a save in chunks writes other bytes");
    check(std::equal(saved->begin(), saved->end(), bytes.begin(), bytes.end()),
          "an unedited save writes other bytes than were read");
}

void checkPieces(std::span<const std::uint8_t> bytes, TextEncoding encoding, std::size_t piece)
{
    auto whole = TextCodec::decode(bytes, encoding, StripByteOrderMark::no);
    std::u16string text;
    bool replaced = false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto chunk = bytes.subspan(done, std::min(piece, bytes.size() - done));
        const bool last = done + chunk.size() == bytes.size();
        std::size_t usable = last ? chunk.size() : ChunkDecoding::decodableLength(chunk, encoding);
        check(usable <= chunk.size(), "a decodable length beyond its chunk");
        if (usable == 0) {
            // Nothing decodable yet: take a longer chunk.
            piece *= 2;
            continue;
        }
        replaced |= ChunkDecoding::decodeReplacingInvalid(chunk.first(usable), encoding, text);
        done += usable;
    }
    if (whole) {
        check(!replaced, "pieces of decodable bytes reported a replacement");
        check(text == *whole, "pieces decode to another text than the whole");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzCheck::Input input(data, size);
    const auto choice = input.byte();
    const auto piece = static_cast<std::size_t>(input.byte() % 16) + 1;
    const auto bytes = input.rest();

    // Opened: detection without a memory, and with a remembered encoding.
    if (auto loaded = DocumentReading::readData(bytes))
        checkSavesBack(bytes, *loaded, piece);
    const auto remembered = allTextEncodings[choice % allTextEncodings.size()];
    const auto guess = EncodingDetector::detect(bytes, remembered);
    if (const auto* text = guess.textGuess()) {
        check(!text->hasByteOrderMark || TextCodec::hasPrefix(byteOrderMark(text->encoding), bytes),
              "a mark found where the bytes have none");
        checkSavesBack(bytes, DocumentReading::loadedFrom(bytes, *text), piece);
    }

    // Read again in every encoding by hand.
    for (auto encoding : allTextEncodings) {
        if (auto loaded = DocumentReading::reloadWithEncoding(bytes, encoding)) {
            checkSavesBack(bytes, *loaded, piece);
        } else {
            check(loaded.error().isNotDecodable() && loaded.error().encoding() == encoding,
                  "a decode failure of the wrong kind");
        }
    }
    checkPieces(bytes, remembered, piece);
    return 0;
}
