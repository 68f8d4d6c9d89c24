#pragma once

#include "app/documents/FileFormat.h"
#include "app/documents/FileMemoryLink.h"
#include "core/DiskIdentity.h"
#include "core/DocumentError.h"
#include "core/Result.h"
#include "core/TextCodec.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <variant>
#include <vector>

// Reading a file into a document's state without changing what any byte means: the open
// decision (large file, not text, ordinary text), detection and decoding. No document state
// is touched here; the document applies the outcome. Blocks on the file system.
namespace EditorDocuments::DocumentReading {

inline constexpr std::size_t largeFileHeadLength = 65'536;
inline constexpr std::size_t binaryHeadLength = 512;
inline constexpr std::int64_t indentationLineLimit = 2'000;
inline constexpr EditorCore::TextEncoding lastCandidate = EditorCore::TextEncoding::isoLatin1;

// The size of the pieces an ordinary file is read and decoded in.
inline constexpr std::size_t readPieceLength = 1 << 20;

// The setting "file.largeFileMB" in bytes.
std::uint64_t largeFileThreshold(std::int64_t largeFileMB);
// A file is large only when it is bigger than the threshold.
inline bool isLargeFile(std::uint64_t size, std::uint64_t threshold)
{
    return threshold < size;
}

// Writability as the file system reports it for the user (access(2) with W_OK).
bool isWritableByUser(const std::filesystem::path& path);

struct Environment
{
    std::uint64_t largeFileThreshold = 100ULL << 20;
    FileMemoryLink fileMemory;
    // Injectable because a process running as root may write every file.
    std::function<bool(const std::filesystem::path&)> isWritable = isWritableByUser;
    // The length an ordinary file is read and decoded in; `readPieceLength` unless a test wants
    // a border at every few bytes. The first piece is never shorter than detection's sample and
    // one byte more, so that detection sees what it would see in the whole file.
    std::size_t pieceLength = readPieceLength;
};

// An ordinary text, read whole.
struct OrdinaryText
{
    Loaded loaded;
    std::optional<EditorCore::DiskIdentity> diskIdentity;
    bool isWritable = true;
};

// A file over the threshold: only its head was read. Its text is loaded later, in chunks.
struct LargeFile
{
    LargeFileState state;
    std::optional<EditorCore::DiskIdentity> diskIdentity; // without a content hash
    FileFormat format;
    // The first 512 bytes when the head does not look like text.
    std::optional<std::vector<std::uint8_t>> binaryHead;
};

// A file that the first detection judged not to be text; it waits for the user's decision.
struct NotText
{
    std::vector<std::uint8_t> head; // the first 512 bytes, fewer for a shorter file
    FileFormat format;              // ISO Latin-1, no mark, no guess
    std::optional<EditorCore::DiskIdentity> diskIdentity;
};

using ReadOutcome = std::variant<OrdinaryText, LargeFile, NotText>;

struct ReadError
{
    enum class Stage {
        largeFileHead, // the head of a large file could not be read
        wholeFile,     // the whole file could not be read (logged as "open.read")
        detection,     // the detection with the remembered encoding said "not text"
    };
    Stage stage = Stage::wholeFile;
    std::uint64_t size = 0; // as found before reading; 0 when unknown
    std::variant<std::error_code, EditorCore::DocumentError> cause;
};

// Asks the kernel to back a large buffer that is about to be filled with huge pages, where it
// allows that: a 200 MiB buffer then costs a hundred page faults instead of fifty thousand.
void adviseHugePages(void* data, std::size_t bytes);

// Size unreadable counts as 0 and the read goes on (the read itself then reports the error).
// The text of an ordinary file is decoded piece by piece straight into chunks (one byte per
// unit where a piece is all below U+0100), its line index and breaks built in the same pass;
// no buffer of the whole file or text is made for the encodings read in pieces. Detection sees
// the same first bytes as it would in the whole file; the disk identity's content hash is
// taken over the bytes as they are read, on a thread beside the decode. Runs on any thread.
[[nodiscard]] EditorCore::Result<ReadOutcome, ReadError> readFile(const std::filesystem::path& path,
                                                                  const Environment& environment);

struct Decoded
{
    std::u16string text;
    EditorCore::TextEncoding encoding = EditorCore::TextEncoding::utf8;
    // Whether the bytes start with the mark of the encoding that decoded them (and it was
    // dropped from the text).
    bool hasByteOrderMark = false;
    // The file's own forms of characters the encoding's table writes otherwise.
    EditorCore::ByteForms byteForms{};
};

// Tries the detected encoding, then the candidates (the detected one left out), then ISO
// Latin-1; the first that decodes wins. `byteOrderMark`: the detection found a mark, which is
// then dropped from the text of whichever encoding starts with it.
[[nodiscard]] Decoded decodeLoaded(std::span<const std::uint8_t> bytes,
                                   EditorCore::TextEncoding detected,
                                   std::span<const EditorCore::TextEncoding> candidates,
                                   bool byteOrderMark);

// The decoded text of a detection result, with line endings and indentation.
[[nodiscard]] Loaded loadedFrom(std::span<const std::uint8_t> bytes,
                                const EditorCore::EncodingGuess& guess);

// Bytes that did not come from a file (standard input, a pasted buffer): detection without a
// hint; not text fails with `DocumentError::binary`.
[[nodiscard]] EditorCore::Result<Loaded, EditorCore::DocumentError>
readData(std::span<const std::uint8_t> bytes);

// Bytes read again in an encoding the user chose, decoded into chunks piece by piece where the
// encoding allows (as a file's read is). The mark is dropped when the encoding has one and the
// bytes start with it; the guess records the choice.
[[nodiscard]] EditorCore::Result<Loaded, EditorCore::TextCodecError>
reloadWithEncoding(std::span<const std::uint8_t> bytes, EditorCore::TextEncoding encoding);

// The text shown for a file that is not text: every byte as ISO Latin-1 (one byte per unit in
// its chunks), with its lines and breaks; the format is ISO Latin-1 without a guess.
[[nodiscard]] Loaded latin1Loaded(std::span<const std::uint8_t> bytes);
// UTF-8 with every ill-formed sequence replaced by U+FFFD.
std::u16string lossyUtf8Text(std::span<const std::uint8_t> bytes);

} // namespace EditorDocuments::DocumentReading
