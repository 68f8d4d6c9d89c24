#pragma once

#include "core/Result.h"
#include "publish/SecretKey.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the publisher program packs, signs and writes: the grammar index and the formatter
// index in the layout the editor's stores download. Runs at build time (or on a publisher's
// machine); nothing here is part of the editor.
namespace Publisher {

struct GrammarSource
{
    std::string name;
    std::string version;
    int revision = 1;
    std::vector<std::string> languages;
    std::string symbol;
    // The built grammar library; its file name is the archive's library name.
    std::filesystem::path library;
    // Highlight query files, joined in the order their package lists them (where two patterns
    // colour one node, the earlier one wins, as in the packages' own highlighter).
    std::vector<std::filesystem::path> highlights;
    std::vector<std::filesystem::path> injections;
    std::vector<std::string> requiredGrammars;
};

struct FormatterSource
{
    std::string name;
    std::string version;
    std::filesystem::path folder;
    // Paths below `folder`, in the order the engine evaluates them.
    std::vector<std::string> scripts;
    // Further files below `folder` carried in the archive (licences).
    std::vector<std::string> files;
};

struct Manifest
{
    std::vector<GrammarSource> grammars;
    std::vector<FormatterSource> formatters;
};

// Reads the manifest the build writes: blocks that begin with "grammar NAME" or
// "formatter NAME" and end with "end", one "key value" per line in between (the value runs to
// the end of the line); repeated keys add to a list. The failure names the line.
[[nodiscard]] EditorCore::Result<Manifest, std::string> readManifest(std::string_view text);

struct ZipFile
{
    std::string name;
    std::vector<std::uint8_t> bytes;
};

// A ZIP archive of regular files (folders implied by the names), written the same way for
// the same input: fixed times and modes, members in the order given.
[[nodiscard]] EditorCore::Result<std::vector<std::uint8_t>, std::string>
zip(const std::vector<ZipFile>&);

// The highlight query as the editor's colouring reads it: without the patterns that carry
// predicates ("#match?", "#eq?", …), which it does not evaluate, so such a pattern would colour
// every node of its shape; and with the patterns in reverse order, since for one node the
// packages' first pattern wins and the editor's last. The result is checked to compile for
// the language.
[[nodiscard]] EditorCore::Result<std::string, std::string>
highlightsWithoutPredicates(const void* tsLanguage, std::string_view source);

// The detached Ed25519 signature of the exact bytes, in standard Base64.
std::string sign(std::string_view document, const SecretKey::Key&);

struct Published
{
    std::int64_t grammarIndexBytes = 0;
    std::int64_t formatterIndexBytes = 0;
    // The archives' total size in bytes.
    std::int64_t grammarArchiveBytes = 0;
    std::int64_t formatterArchiveBytes = 0;
};

// Writes <out>/grammars/ and <out>/formatters/ (each "index.json", "index.json.sig" and the
// archives), replacing what was there. Every grammar is loaded from its packed archive with
// the editor's own loader (library, language function, ABI, queries) and both indexes are
// verified with the editor's own checks before they replace the old ones; any failure leaves
// the old folders as they were.
[[nodiscard]] EditorCore::Result<Published, std::string>
publish(const Manifest&, const SecretKey::Key&, const std::filesystem::path& out);

} // namespace Publisher
