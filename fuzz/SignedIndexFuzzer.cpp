// Any bytes as a grammar or formatter index, signed with a key of the run's own so that the
// reading behind the signature check is reached: an index is trusted whole or refused, and a
// trusted one names no file or folder outside its place. The same bytes under a signature of
// another key, a changed byte or a signature of the input's own making are never trusted.
// The installed formatter's record reads the same way.
#include "FuzzCheck.h"

#include "features/FormatterIndex.h"
#include "features/GrammarIndex.h"
#include "features/SignedIndex.h"
#include "platform/Base64.h"

#include <sodium.h>

#include <array>
#include <vector>

using namespace EditorFeatures;
using FuzzCheck::check;

namespace {

struct Key
{
    std::array<std::uint8_t, crypto_sign_PUBLICKEYBYTES> publicKey{};
    std::array<std::uint8_t, crypto_sign_SECRETKEYBYTES> secretKey{};
    std::string publicText;

    Key()
    {
        check(sodium_init() >= 0, "libsodium did not start");
        crypto_sign_keypair(publicKey.data(), secretKey.data());
        publicText = Platform::Base64::encode(publicKey);
    }

    std::string sign(std::span<const std::uint8_t> document) const
    {
        std::array<std::uint8_t, crypto_sign_BYTES> signature{};
        crypto_sign_detached(signature.data(), nullptr, document.data(), document.size(),
                             secretKey.data());
        return Platform::Base64::encode(signature);
    }
};

const Key& ownKey()
{
    static const Key key;
    return key;
}

const Key& otherKey()
{
    static const Key key;
    return key;
}

bool isLowerHexDigest(std::string_view text)
{
    return text.size() == 64
           && text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

void checkGrammars(const GrammarIndex& index)
{
    check(index.format == 1, "a trusted grammar index of another format");
    for (const auto& entry : index.grammars) {
        check(SignedIndex::isPathComponent(entry.name) && SignedIndex::isPathComponent(entry.version)
                  && SignedIndex::isPathComponent(entry.dylib),
              "a grammar entry names a folder or library outside its place");
        check(SignedIndex::isRelativePath(entry.file), "a grammar archive outside the base URL");
        if (auto found = index.entry(std::string_view(entry.name)))
            check(found->name == entry.name, "an entry found under another name");
    }
}

void checkFormatterEntry(const FormatterIndex::Entry& entry)
{
    check(SignedIndex::isPathComponent(entry.name) && SignedIndex::isPathComponent(entry.version),
          "a formatter entry names a folder outside its place");
    check(SignedIndex::isRelativePath(entry.file), "a formatter archive outside the base URL");
    for (const auto& script : entry.scripts)
        check(SignedIndex::isRelativePath(script), "a formatter script outside its folder");
}

template<class Index>
void checkUntrusted(std::span<const std::uint8_t> document, std::string_view mark)
{
    const auto& key = ownKey();
    // Signed by another key.
    auto other = Index::verify(document, otherKey().sign(document), key.publicText);
    check(!other && other.error() == IndexFailure::badSignature, "trusted under another key");
    // A signature the input wrote itself.
    auto forged = Index::verify(document, mark, key.publicText);
    check(!forged && forged.error() == IndexFailure::badSignature, "trusted a forged signature");
    // One byte changed after signing.
    if (!document.empty()) {
        const auto signature = key.sign(document);
        std::vector<std::uint8_t> changed(document.begin(), document.end());
        changed[mark.size() % changed.size()] ^= 0x01;
        auto tampered = Index::verify(changed, signature, key.publicText);
        check(!tampered && tampered.error() == IndexFailure::badSignature,
              "trusted a changed document");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzCheck::Input input(data, size);
    const auto padding = input.byte();
    const auto markBytes = input.take(input.byte() % 96);
    const auto document = input.rest();
    const std::string mark(markBytes.begin(), markBytes.end());
    const auto& key = ownKey();

    // White space at the signature's ends is allowed.
    auto signature = key.sign(document);
    if (padding & 1)
        signature = " \n" + signature;
    if (padding & 2)
        signature += "\r\n";

    auto grammars = GrammarIndex::verify(document, signature, key.publicText);
    if (grammars) {
        checkGrammars(*grammars);
        check(grammars->notarized, "trusted an index that is not notarized");
    }
    auto formatters = FormatterIndex::verify(document, signature, key.publicText);
    if (formatters) {
        check(formatters->format == 1, "a trusted formatter index of another format");
        for (const auto& entry : formatters->formatters) {
            checkFormatterEntry(entry);
            const auto encoded = entry.encodeJSON();
            auto again = FormatterIndex::Entry::decodeJSON(
                std::span(reinterpret_cast<const std::uint8_t*>(encoded.data()), encoded.size()));
            check(again.has_value() && *again == entry, "a formatter record reads back otherwise");
        }
    }
    // A signature broken inside is refused whatever the document.
    if (padding & 4) {
        auto broken = signature;
        broken.insert(broken.size() / 2, 1, ' ');
        check(!GrammarIndex::verify(document, broken, key.publicText), "a broken signature");
    }
    checkUntrusted<GrammarIndex>(document, mark);
    checkUntrusted<FormatterIndex>(document, mark);

    if (auto record = FormatterIndex::Entry::decodeJSON(document)) {
        checkFormatterEntry(*record);
        const auto encoded = record->encodeJSON();
        auto again = FormatterIndex::Entry::decodeJSON(
            std::span(reinterpret_cast<const std::uint8_t*>(encoded.data()), encoded.size()));
        check(again.has_value() && *again == *record, "a formatter record reads back otherwise");
    }

    const auto digest = SignedIndex::sha256Hex(document);
    check(isLowerHexDigest(digest), "a digest that is not lower-case hexadecimal");
    check(SignedIndex::archiveMatches(document, static_cast<std::int64_t>(document.size()), digest),
          "bytes do not match their own size and digest");
    return 0;
}
