// olv-publish --manifest FILE --secret-key FILE --out FOLDER
//
// Packs the grammars and formatters a manifest lists, writes and signs their indexes into
// FOLDER/grammars/ and FOLDER/formatters/ and checks the result with the editor's own code.
// The two folders are what a download server serves (OLGrammarsURL, OLFormattersURL).
#include "publish/IndexPublisher.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>

int main(int argc, char** argv)
{
    std::map<std::string, std::string> options;
    for (int i = 1; i + 1 < argc; i += 2)
        options[argv[i]] = argv[i + 1];
    if (argc != 7 || !options.contains("--manifest") || !options.contains("--secret-key")
        || !options.contains("--out")) {
        std::cerr << "usage: olv-publish --manifest FILE --secret-key FILE --out FOLDER\n";
        return 2;
    }
    std::ifstream in(options["--manifest"], std::ios::binary);
    if (!in) {
        std::cerr << "olv-publish: cannot read " << options["--manifest"] << "\n";
        return 1;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto manifest = Publisher::readManifest(text);
    if (!manifest) {
        std::cerr << "olv-publish: " << manifest.error() << "\n";
        return 1;
    }
    auto key = Publisher::SecretKey::read(options["--secret-key"]);
    if (!key) {
        std::cerr << "olv-publish: " << key.error() << "\n";
        return 1;
    }
    auto published = Publisher::publish(*manifest, *key, options["--out"]);
    if (!published) {
        std::cerr << "olv-publish: " << published.error() << "\n";
        return 1;
    }
    const auto kib = [](std::int64_t bytes) { return std::to_string((bytes + 1023) / 1024); };
    std::cout << "olv-publish: " << manifest->grammars.size() << " grammars ("
              << kib(published->grammarArchiveBytes) << " KiB), " << manifest->formatters.size()
              << " formatter(s) (" << kib(published->formatterArchiveBytes) << " KiB) in "
              << options["--out"] << "\n";
    return 0;
}
