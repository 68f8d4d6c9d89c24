// olv-index-key SECRET-KEY-FILE OUTPUT.cpp [--make]
//
// Writes the source that gives the editor the publisher's public key, derived from the secret
// key file. With --make a missing secret key file is made first (a build tree's own key);
// without it the file must exist (a real publisher's key). The output is rewritten only when
// its text changes, so that the editor is not rebuilt for nothing.
#include "publish/SecretKey.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    if (argc < 3 || argc > 4 || (argc == 4 && std::string(argv[3]) != "--make")) {
        std::cerr << "usage: olv-index-key SECRET-KEY-FILE OUTPUT.cpp [--make]\n";
        return 2;
    }
    const fs::path secretFile = argv[1];
    const fs::path output = argv[2];
    if (argc == 4 && !fs::exists(secretFile)) {
        if (auto made = Publisher::SecretKey::make(secretFile); !made) {
            std::cerr << "olv-index-key: " << made.error() << "\n";
            return 1;
        }
    }
    auto key = Publisher::SecretKey::read(secretFile);
    if (!key) {
        std::cerr << "olv-index-key: " << key.error() << "\n";
        return 1;
    }
    const std::string text =
        "// Made by the build (olv-index-key) from the publisher's secret key.\n"
        "#include \"features/PublishedIndex.h\"\n\n"
        "std::string_view EditorFeatures::PublishedIndex::publicKey()\n{\n    return \""
        + Publisher::SecretKey::publicKey(*key) + "\";\n}\n";
    {
        std::ifstream in(output, std::ios::binary);
        if (in && std::string(std::istreambuf_iterator<char>(in), {}) == text)
            return 0;
    }
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out << text;
    return out.flush() ? 0 : 1;
}
