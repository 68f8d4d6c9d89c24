// Any bytes read from a file through the reader, in pieces of a few bytes, must give what the
// whole bytes give: the same outcome, text, format, line endings and indentation as detection
// and decoding over the whole buffer, and the disk identity (its hash included) that a fresh
// look at the file gives.
#include "FuzzCheck.h"
#include "app/documents/DocumentReading.h"
#include "core/EncodingDetector.h"
#include "core/LineIndex.h"

#include <variant>
#include <vector>

using namespace EditorCore;
using namespace EditorDocuments;
using FuzzCheck::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzCheck::Input input(data, size);
    // The remembered encoding, or none.
    const auto choice = input.byte() % (allTextEncodings.size() + 1);
    const std::optional<TextEncoding> remembered =
        choice < allTextEncodings.size() ? std::optional(allTextEncodings[choice]) : std::nullopt;
    // Pieces of 1 to 64 bytes, now and then a little longer.
    const auto lengthByte = input.byte();
    const std::size_t pieceLength =
        lengthByte < 0xF0 ? lengthByte % 64 + 1 : std::size_t(lengthByte - 0xEF) * 100;
    // Past detection's sample only the pieces after the first have borders to try: the body is
    // repeated up to a length past the sample, cut anywhere in its last copy.
    const auto shape = input.byte();
    const auto body = input.rest();
    std::vector<std::uint8_t> bytes(body.begin(), body.end());
    if ((shape & 1) != 0 && !body.empty()) {
        const std::size_t length = EncodingDetector::sampleLength + 1
                                   + std::size_t(shape >> 1) % (body.size() + 1) + body.size();
        bytes.resize(length);
        for (std::size_t i = body.size(); i < length; ++i)
            bytes[i] = body[i % body.size()];
    }

    const auto path = FuzzCheck::workFolder("reading") / "file";
    FuzzCheck::writeFile(path, bytes);

    DocumentReading::Environment environment;
    environment.pieceLength = pieceLength;
    environment.isWritable = [](const std::filesystem::path&) { return true; };
    environment.fileMemory.entry = [remembered](const std::filesystem::path&) {
        return std::optional(RememberedFile{remembered});
    };
    auto outcome = DocumentReading::readFile(path, environment);

    const auto identity = DiskIdentity::read(path, DiskIdentity::documentHashLimit);
    check(identity.has_value(), "the file written has no identity");
    const auto notText = EncodingDetector::detect(bytes, std::nullopt).isBinary();
    const auto second = EncodingDetector::detect(bytes, remembered);
    if (!outcome) {
        check(outcome.error().stage == DocumentReading::ReadError::Stage::detection,
              "a readable file failed to read");
        check(!notText && second.textGuess() == nullptr,
              "refused as not text where the whole bytes are text");
        return 0;
    }
    if (const auto* other = std::get_if<DocumentReading::NotText>(&*outcome)) {
        check(notText, "not text in pieces, text as a whole");
        check(other->diskIdentity == identity, "the identity of a file that is not text");
        const auto head = std::min(bytes.size(), DocumentReading::binaryHeadLength);
        check(
            std::equal(other->head.begin(), other->head.end(), bytes.begin(), bytes.begin() + head),
            "the head of a file that is not text");
        return 0;
    }
    const auto* read = std::get_if<DocumentReading::OrdinaryText>(&*outcome);
    check(read != nullptr, "a small file read as a large one");
    check(!notText, "text in pieces, not text as a whole");
    const auto* guess = second.textGuess();
    check(guess != nullptr, "read as text where detection with the memory refuses");
    const auto whole = DocumentReading::loadedFrom(bytes, *guess);
    const auto wholeText = whole.text.text();
    check(read->loaded.text.text() == wholeText, "the pieces decode to another text");
    check(read->loaded.lines == LineIndex(wholeText), "the pieces index other lines");
    check(read->loaded.format == whole.format, "the pieces give another format");
    check(read->loaded.lineEndings == whole.lineEndings, "the pieces count other line endings");
    check(read->loaded.indentStyle == whole.indentStyle, "the pieces give another indentation");
    check(read->diskIdentity == identity, "the identity taken while reading is another");
    check(read->diskIdentity->contentHash == DiskIdentity::fnv1a(bytes),
          "the hash taken while reading is not the hash of the bytes");
    return 0;
}
