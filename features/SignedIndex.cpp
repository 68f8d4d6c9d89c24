#include "features/SignedIndex.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <limits>
#include <mutex>
#include <sodium.h>

namespace EditorFeatures {

std::string_view rawValue(IndexFailure failure)
{
    switch (failure) {
    case IndexFailure::badSignature:
        return "badSignature";
    case IndexFailure::unreadable:
        return "unreadable";
    case IndexFailure::notNotarized:
        return "notNotarized";
    }
    return "unreadable";
}

std::ostream& operator<<(std::ostream& out, IndexFailure failure)
{
    return out << rawValue(failure);
}

namespace SignedIndex {
namespace {

void initialiseSodium()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Fails only without a source of randomness; hashing and verifying work regardless.
        [[maybe_unused]] int status = sodium_init();
    });
}

// Unicode white space and line breaks, as the signature file may carry them around the text.
std::string_view trimmed(std::string_view text)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    auto length = static_cast<std::int32_t>(text.size());
    std::int32_t start = 0;
    while (start < length) {
        std::int32_t next = start;
        UChar32 c = 0;
        U8_NEXT(bytes, next, length, c);
        if (c < 0 || !u_isUWhiteSpace(c))
            break;
        start = next;
    }
    std::int32_t end = length;
    while (end > start) {
        std::int32_t previous = end;
        UChar32 c = 0;
        U8_PREV(bytes, start, previous, c);
        if (c < 0 || !u_isUWhiteSpace(c))
            break;
        end = previous;
    }
    return text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
}

} // namespace

std::optional<std::string> decodeBase64(std::string_view text)
{
    initialiseSodium();
    std::string bytes(text.size() / 4 * 3 + 3, '\0');
    std::size_t length = 0;
    const char* end = nullptr;
    if (sodium_base642bin(reinterpret_cast<unsigned char*>(bytes.data()),
                          bytes.size(),
                          text.data(),
                          text.size(),
                          nullptr,
                          &length,
                          &end,
                          sodium_base64_VARIANT_ORIGINAL)
            != 0
        || end != text.data() + text.size())
        return std::nullopt;
    bytes.resize(length);
    return bytes;
}

EditorCore::Result<nlohmann::json, IndexFailure>
open(std::span<const std::uint8_t> document, std::string_view signature, std::string_view publicKey)
{
    using EditorCore::failure;
    if (signature.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return failure(IndexFailure::badSignature);

    auto key = decodeBase64(publicKey);
    if (!key || key->size() != crypto_sign_PUBLICKEYBYTES)
        return failure(IndexFailure::badSignature);
    auto signatureBytes = decodeBase64(trimmed(signature));
    if (!signatureBytes || signatureBytes->size() != crypto_sign_BYTES)
        return failure(IndexFailure::badSignature);
    if (crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signatureBytes->data()),
                                    document.data(),
                                    document.size(),
                                    reinterpret_cast<const unsigned char*>(key->data()))
        != 0)
        return failure(IndexFailure::badSignature);

    auto json = nlohmann::json::parse(document.begin(), document.end(), nullptr, false);
    if (json.is_discarded() || !json.is_object())
        return failure(IndexFailure::unreadable);
    if (integerField(json, "format") != 1)
        return failure(IndexFailure::unreadable);
    return json;
}

std::string sha256Hex(std::span<const std::uint8_t> bytes)
{
    initialiseSodium();
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(digest, bytes.data(), bytes.size());
    constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(sizeof digest * 2);
    for (unsigned char byte : digest) {
        text += digits[byte >> 4];
        text += digits[byte & 0xF];
    }
    return text;
}

bool archiveMatches(std::span<const std::uint8_t> bytes, std::int64_t size, std::string_view sha256)
{
    if (size < 0 || bytes.size() != static_cast<std::uint64_t>(size))
        return false;
    return sha256Hex(bytes) == sha256;
}

bool isPathComponent(std::string_view text)
{
    return !text.empty() && text != "." && text != ".."
           && text.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos
           && !text.starts_with(".staging-");
}

bool isRelativePath(std::string_view text)
{
    if (text.empty() || text.find('\0') != std::string_view::npos)
        return false;
    std::size_t start = 0;
    while (true) {
        auto slash = text.find('/', start);
        auto segment =
            text.substr(start, slash == std::string_view::npos ? text.npos : slash - start);
        if (segment.empty() || segment == "." || segment == "..")
            return false;
        if (slash == std::string_view::npos)
            return true;
        start = slash + 1;
    }
}

std::optional<std::string> stringField(const nlohmann::json& object, std::string_view key)
{
    auto found = object.find(key);
    if (found == object.end() || !found->is_string())
        return std::nullopt;
    return found->get<std::string>();
}

std::optional<std::int64_t> integerField(const nlohmann::json& object, std::string_view key)
{
    auto found = object.find(key);
    if (found == object.end())
        return std::nullopt;
    if (found->is_number_unsigned()) {
        auto value = found->get<std::uint64_t>();
        if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return std::nullopt;
        return static_cast<std::int64_t>(value);
    }
    if (found->is_number_integer())
        return found->get<std::int64_t>();
    return std::nullopt;
}

std::optional<bool> booleanField(const nlohmann::json& object, std::string_view key)
{
    auto found = object.find(key);
    if (found == object.end() || !found->is_boolean())
        return std::nullopt;
    return found->get<bool>();
}

std::optional<std::vector<std::string>> stringsField(const nlohmann::json& object,
                                                     std::string_view key)
{
    auto found = object.find(key);
    if (found == object.end() || !found->is_array())
        return std::nullopt;
    std::vector<std::string> strings;
    for (const auto& element : *found) {
        if (!element.is_string())
            return std::nullopt;
        strings.push_back(element.get<std::string>());
    }
    return strings;
}

} // namespace SignedIndex

} // namespace EditorFeatures
