#include "publish/SecretKey.h"

#include "platform/Base64.h"

#include <fstream>
#include <iterator>
#include <sodium.h>
#include <sys/stat.h>

namespace Publisher::SecretKey {
namespace fs = std::filesystem;
using EditorCore::failure;

namespace {

bool startSodium()
{
    static const bool started = sodium_init() >= 0;
    return started;
}

} // namespace

EditorCore::Result<Key, std::string> read(const fs::path& path)
{
    if (!startSodium())
        return failure(std::string("libsodium did not start"));
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return failure("no secret key at " + path.string());
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto first = text.find_first_not_of(" \t\r\n");
    const auto last = text.find_last_not_of(" \t\r\n");
    text = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
    auto bytes = Platform::Base64::decode(text);
    sodium_memzero(text.data(), text.size());

    Key key{};
    std::uint8_t publicKey[crypto_sign_PUBLICKEYBYTES];
    bool valid = true;
    if (bytes && bytes->size() == crypto_sign_SEEDBYTES)
        crypto_sign_seed_keypair(publicKey, key.data(), bytes->data());
    else if (bytes && bytes->size() == crypto_sign_SECRETKEYBYTES)
        std::copy(bytes->begin(), bytes->end(), key.begin());
    else
        valid = false;
    if (bytes)
        sodium_memzero(bytes->data(), bytes->size());
    if (!valid) {
        return failure(path.string()
                       + " holds no Base64 Ed25519 seed (32 bytes) or secret key (64 bytes)");
    }
    return key;
}

EditorCore::Result<void, std::string> make(const fs::path& path)
{
    if (!startSodium())
        return failure(std::string("libsodium did not start"));
    std::uint8_t seed[crypto_sign_SEEDBYTES];
    randombytes_buf(seed, sizeof seed);
    std::string text = Platform::Base64::encode({seed, sizeof seed}) + "\n";
    sodium_memzero(seed, sizeof seed);

    std::error_code error;
    if (path.has_parent_path())
        fs::create_directories(path.parent_path(), error);
    const std::string temporary = path.string() + ".new";
    const mode_t previous = umask(077);
    bool written = false;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        written = static_cast<bool>(out.flush());
    }
    umask(previous);
    sodium_memzero(text.data(), text.size());
    if (written)
        fs::rename(temporary, path, error);
    if (!written || error) {
        fs::remove(temporary, error);
        return failure("could not write " + path.string());
    }
    return {};
}

std::string publicKey(const Key& key)
{
    std::uint8_t raw[crypto_sign_PUBLICKEYBYTES];
    crypto_sign_ed25519_sk_to_pk(raw, key.data());
    return Platform::Base64::encode({raw, sizeof raw});
}

} // namespace Publisher::SecretKey
