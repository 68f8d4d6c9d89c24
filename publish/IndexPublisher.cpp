#include "publish/IndexPublisher.h"

#include "features/ArchiveInstall.h"
#include "features/FormatterIndex.h"
#include "features/GrammarIndex.h"
#include "features/SignedIndex.h"
#include "features/SyntaxGrammarLoad.h"
#include "features/SyntaxInjectionQuery.h"
#include "features/SyntaxLanguage.h"
#include "platform/Base64.h"
#include "platform/Json.h"

#include <tree_sitter/api.h>

#include <algorithm>
#include <archive.h>
#include <archive_entry.h>
#include <ctime>
#include <dlfcn.h>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <sodium.h>
#include <sstream>
#include <type_traits>

namespace Publisher {
namespace fs = std::filesystem;
using EditorCore::failure;
using Bytes = std::vector<std::uint8_t>;

namespace {

EditorCore::Result<Bytes, std::string> readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return failure("cannot read " + path.string());
    Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return failure("cannot read " + path.string());
    return bytes;
}

// The query files of one kind, joined with a line break between them.
EditorCore::Result<std::string, std::string> joined(const std::vector<fs::path>& files)
{
    std::string text;
    for (const auto& file : files) {
        auto bytes = readBytes(file);
        if (!bytes)
            return failure(bytes.error());
        text.append(bytes->begin(), bytes->end());
        if (!text.empty() && text.back() != '\n')
            text += '\n';
    }
    return text;
}

EditorCore::Result<void, std::string> writeFile(const fs::path& path, std::string_view text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out.flush())
        return failure("cannot write " + path.string());
    return {};
}

EditorCore::Result<void, std::string> writeFile(const fs::path& path, const Bytes& bytes)
{
    return writeFile(path,
                     std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string utcNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

// A folder removed with its contents when the object goes (unless kept).
struct WorkFolder
{
    fs::path path;
    ~WorkFolder()
    {
        std::error_code error;
        if (!path.empty())
            fs::remove_all(path, error);
    }
};

// The signed index document and its signature file in `folder`.
EditorCore::Result<std::string, std::string>
writeSigned(const fs::path& folder, const nlohmann::json& index, const SecretKey::Key& key)
{
    auto document = Platform::writeJson(index, Platform::JsonStyle::pretty);
    if (!document)
        return failure(std::string("the index cannot be written as JSON"));
    *document += '\n';
    if (auto written = writeFile(folder / "index.json", *document); !written)
        return failure(written.error());
    if (auto written = writeFile(folder / "index.json.sig", sign(*document, key) + "\n"); !written)
        return failure(written.error());
    return std::move(*document);
}

// The packed grammar, unpacked and loaded as the editor would after a download.
EditorCore::Result<void, std::string> checkPacked(const GrammarSource& grammar,
                                                  const Bytes& archive,
                                                  const std::string& dylib,
                                                  const fs::path& work)
{
    const fs::path unpacked = work / ("check-" + grammar.name);
    const fs::path zipFile = work / ("check-" + grammar.name + ".zip");
    if (auto written = writeFile(zipFile, archive); !written)
        return failure(written.error());
    if (auto extracted = EditorFeatures::ArchiveInstall::extractZip(zipFile, unpacked); !extracted)
        return failure(grammar.name + ": the archive does not unpack: " + extracted.error());
    EditorFeatures::InstalledGrammar record{
        grammar.name, grammar.version, grammar.languages, grammar.symbol, dylib, grammar.revision};
    auto loaded = EditorFeatures::SyntaxGrammars::load(record, unpacked);
    if (!loaded) {
        std::ostringstream reason;
        reason << loaded.error();
        return failure(grammar.name + ": the editor does not load it: " + reason.str());
    }
    if (fs::exists(unpacked / "injections.scm") && !loaded->injections)
        return failure(grammar.name + ": injections.scm does not compile");
    return {};
}

EditorCore::Result<nlohmann::json, std::string> publishGrammar(const GrammarSource& grammar,
                                                               const fs::path& folder,
                                                               const fs::path& work,
                                                               std::int64_t& archiveBytes)
{
    // Loaded once here to read its language; the editor's loader checks it again below.
    void* handle = dlopen(grammar.library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return failure(grammar.name + ": " + dlerror());
    using LanguageFunction = const TSLanguage* (*)();
    auto function = reinterpret_cast<LanguageFunction>(dlsym(handle, grammar.symbol.c_str()));
    if (!function)
        return failure(grammar.name + ": the library does not export " + grammar.symbol);
    const TSLanguage* language = function();
    auto checked = EditorFeatures::SyntaxLanguage::make(grammar.name, language);
    if (!checked) {
        return failure(grammar.name + ": ABI "
                       + std::to_string(language ? ts_language_abi_version(language) : 0)
                       + " is outside what our tree-sitter runtime reads");
    }

    auto highlights = joined(grammar.highlights);
    if (!highlights)
        return failure(highlights.error());
    auto filtered = highlightsWithoutPredicates(language, *highlights);
    if (!filtered)
        return failure(grammar.name + ": " + filtered.error());

    const std::string dylib = grammar.library.filename().string();
    auto library = readBytes(grammar.library);
    if (!library)
        return failure(library.error());
    std::vector<ZipFile> members{{dylib, std::move(*library)},
                                 {"highlights.scm", Bytes(filtered->begin(), filtered->end())}};
    if (!grammar.injections.empty()) {
        auto injections = joined(grammar.injections);
        if (!injections)
            return failure(injections.error());
        members.push_back({"injections.scm", Bytes(injections->begin(), injections->end())});
    }
    auto archive = zip(members);
    if (!archive)
        return failure(grammar.name + ": " + archive.error());
    if (auto loads = checkPacked(grammar, *archive, dylib, work); !loads)
        return failure(loads.error());

    std::string file = grammar.name + "-" + grammar.version;
    if (grammar.revision >= 2)
        file += "-r" + std::to_string(grammar.revision);
    file += ".zip";
    if (auto written = writeFile(folder / file, *archive); !written)
        return failure(written.error());
    archiveBytes += static_cast<std::int64_t>(archive->size());

    nlohmann::json entry = {
        {"name", grammar.name},
        {"version", grammar.version},
        {"revision", grammar.revision},
        {"languages", grammar.languages},
        {"symbol", grammar.symbol},
        {"abi", ts_language_abi_version(language)},
        {"file", file},
        {"size", archive->size()},
        {"sha256", EditorFeatures::SignedIndex::sha256Hex(*archive)},
        {"dylib", dylib},
    };
    if (!grammar.requiredGrammars.empty())
        entry["requires"] = grammar.requiredGrammars;
    return entry;
}

EditorCore::Result<nlohmann::json, std::string> publishFormatter(const FormatterSource& formatter,
                                                                 const fs::path& folder,
                                                                 std::int64_t& archiveBytes)
{
    std::vector<ZipFile> members;
    std::vector<std::string> names = formatter.scripts;
    names.insert(names.end(), formatter.files.begin(), formatter.files.end());
    for (const auto& name : names) {
        if (!EditorFeatures::SignedIndex::isRelativePath(name))
            return failure(formatter.name + ": " + name + " is not a relative path");
        auto bytes = readBytes(formatter.folder / name);
        if (!bytes)
            return failure(bytes.error());
        members.push_back({name, std::move(*bytes)});
    }
    auto archive = zip(members);
    if (!archive)
        return failure(formatter.name + ": " + archive.error());
    const std::string file = formatter.name + "-" + formatter.version + ".zip";
    if (auto written = writeFile(folder / file, *archive); !written)
        return failure(written.error());
    archiveBytes += static_cast<std::int64_t>(archive->size());
    return nlohmann::json{
        {"name", formatter.name},
        {"version", formatter.version},
        {"file", file},
        {"size", archive->size()},
        {"sha256", EditorFeatures::SignedIndex::sha256Hex(*archive)},
        {"scripts", formatter.scripts},
    };
}

// Reads the folder's signed index back with the editor's verification and checks each
// archive against its entry.
template<typename Index>
EditorCore::Result<void, std::string> verifyWritten(const fs::path& folder,
                                                    const std::string& publicKey)
{
    auto document = readBytes(folder / "index.json");
    auto signature = readBytes(folder / "index.json.sig");
    if (!document || !signature)
        return failure("cannot read back " + folder.string());
    auto index =
        Index::verify(*document, std::string(signature->begin(), signature->end()), publicKey);
    if (!index) {
        return failure(folder.string() + "/index.json does not verify: "
                       + std::string(EditorFeatures::rawValue(index.error())));
    }
    auto entries = [&] {
        if constexpr (std::is_same_v<Index, EditorFeatures::GrammarIndex>)
            return index->grammars;
        else
            return index->formatters;
    }();
    for (const auto& entry : entries) {
        auto archive = readBytes(folder / entry.file);
        if (!archive || !entry.matches(*archive))
            return failure(entry.file + " does not match its index entry");
    }
    return {};
}

// Puts a finished folder in place of the old one.
EditorCore::Result<void, std::string> replaceFolder(const fs::path& made, const fs::path& target)
{
    std::error_code error;
    fs::remove_all(target, error);
    if (error)
        return failure("cannot remove " + target.string() + ": " + error.message());
    fs::rename(made, target, error);
    if (error)
        return failure("cannot move " + made.string() + " to " + target.string());
    return {};
}

} // namespace

EditorCore::Result<Manifest, std::string> readManifest(std::string_view text)
{
    Manifest manifest;
    GrammarSource* grammar = nullptr;
    FormatterSource* formatter = nullptr;
    int lineNumber = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        auto end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        ++lineNumber;
        if (line.empty() || line.front() == '#')
            continue;
        const auto space = line.find(' ');
        const std::string_view key = line.substr(0, space);
        const std::string value(space == std::string_view::npos ? "" : line.substr(space + 1));
        const auto wrong = [&](std::string_view what) {
            return failure("manifest line " + std::to_string(lineNumber) + ": "
                           + std::string(what));
        };
        if (key == "end") {
            if (!grammar && !formatter)
                return wrong("\"end\" outside a block");
            grammar = nullptr;
            formatter = nullptr;
        } else if (grammar || formatter) {
            if (value.empty())
                return wrong("no value");
            if (key == "version") {
                (grammar ? grammar->version : formatter->version) = value;
            } else if (grammar && key == "revision") {
                grammar->revision = std::atoi(value.c_str());
                if (grammar->revision < 1)
                    return wrong("the revision is no positive number");
            } else if (grammar && key == "language") {
                grammar->languages.push_back(value);
            } else if (grammar && key == "symbol") {
                grammar->symbol = value;
            } else if (grammar && key == "library") {
                grammar->library = value;
            } else if (grammar && key == "highlights") {
                grammar->highlights.emplace_back(value);
            } else if (grammar && key == "injections") {
                grammar->injections.emplace_back(value);
            } else if (grammar && key == "requires") {
                grammar->requiredGrammars.push_back(value);
            } else if (formatter && key == "folder") {
                formatter->folder = value;
            } else if (formatter && key == "script") {
                formatter->scripts.push_back(value);
            } else if (formatter && key == "file") {
                formatter->files.push_back(value);
            } else {
                return wrong("unknown key \"" + std::string(key) + "\"");
            }
        } else if (key == "grammar" && !value.empty()) {
            grammar = &manifest.grammars.emplace_back();
            grammar->name = value;
        } else if (key == "formatter" && !value.empty()) {
            formatter = &manifest.formatters.emplace_back();
            formatter->name = value;
        } else {
            return wrong("expected \"grammar NAME\" or \"formatter NAME\"");
        }
    }
    if (grammar || formatter)
        return failure(std::string("manifest: the last block has no \"end\""));
    for (const auto& g : manifest.grammars) {
        if (g.version.empty() || g.symbol.empty() || g.library.empty() || g.highlights.empty())
            return failure("manifest: grammar " + g.name
                           + " needs a version, symbol, library and highlights");
        if (!EditorFeatures::SignedIndex::isPathComponent(g.name)
            || !EditorFeatures::SignedIndex::isPathComponent(g.version))
            return failure("manifest: grammar " + g.name + " cannot name a folder");
    }
    for (const auto& f : manifest.formatters) {
        if (f.version.empty() || f.folder.empty() || f.scripts.empty())
            return failure("manifest: formatter " + f.name
                           + " needs a version, folder and scripts");
    }
    return manifest;
}

EditorCore::Result<std::vector<std::uint8_t>, std::string> zip(const std::vector<ZipFile>& files)
{
    struct Sink
    {
        Bytes bytes;
        static la_ssize_t write(archive*, void* self, const void* data, size_t size)
        {
            auto* sink = static_cast<Sink*>(self);
            const auto* from = static_cast<const std::uint8_t*>(data);
            sink->bytes.insert(sink->bytes.end(), from, from + size);
            return static_cast<la_ssize_t>(size);
        }
    };
    Sink sink;
    std::unique_ptr<archive, decltype(&archive_write_free)> writer(archive_write_new(),
                                                                   archive_write_free);
    if (!writer
        || archive_write_set_format_zip(writer.get()) != ARCHIVE_OK
        // Unpadded: the archive ends with its last member, not on a 10 KiB block.
        || archive_write_set_bytes_in_last_block(writer.get(), 1) != ARCHIVE_OK
        || archive_write_open(writer.get(), &sink, nullptr, &Sink::write, nullptr) != ARCHIVE_OK)
        return failure(std::string("libarchive cannot write a ZIP archive"));
    // The same input gives the same bytes: 2000-01-01 for every member.
    constexpr std::time_t fixedTime = 946684800;
    for (const auto& file : files) {
        std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entry(archive_entry_new(),
                                                                            archive_entry_free);
        archive_entry_set_pathname(entry.get(), file.name.c_str());
        archive_entry_set_filetype(entry.get(), AE_IFREG);
        archive_entry_set_perm(entry.get(), 0644);
        archive_entry_set_mtime(entry.get(), fixedTime, 0);
        archive_entry_set_size(entry.get(), static_cast<la_int64_t>(file.bytes.size()));
        if (archive_write_header(writer.get(), entry.get()) != ARCHIVE_OK
            || (!file.bytes.empty()
                && archive_write_data(writer.get(), file.bytes.data(), file.bytes.size())
                       != static_cast<la_ssize_t>(file.bytes.size())))
            return failure(file.name + ": " + archive_error_string(writer.get()));
    }
    if (archive_write_close(writer.get()) != ARCHIVE_OK)
        return failure(std::string(archive_error_string(writer.get())));
    return std::move(sink.bytes);
}

EditorCore::Result<std::string, std::string> highlightsWithoutPredicates(const void* tsLanguage,
                                                                         std::string_view source)
{
    const auto* language = static_cast<const TSLanguage*>(tsLanguage);
    const auto compile = [&](std::string_view text) -> EditorCore::Result<TSQuery*, std::string> {
        std::uint32_t errorOffset = 0;
        TSQueryError errorType = TSQueryErrorNone;
        TSQuery* query = ts_query_new(language,
                                      text.data(),
                                      static_cast<std::uint32_t>(text.size()),
                                      &errorOffset,
                                      &errorType);
        if (!query) {
            const auto line = std::count(text.begin(), text.begin() + errorOffset, '\n') + 1;
            return failure("the highlight query does not compile (error "
                           + std::to_string(static_cast<int>(errorType)) + " at line "
                           + std::to_string(line) + ")");
        }
        return query;
    };
    auto query = compile(source);
    if (!query)
        return failure(query.error());
    // Each pattern's text (with the comments up to the next one); the patterns of one top-level
    // alternation share theirs.
    struct Slice
    {
        std::uint32_t start = 0;
        std::uint32_t end = 0;
        bool hasPredicates = false;
    };
    std::vector<Slice> slices;
    const std::uint32_t patterns = ts_query_pattern_count(*query);
    for (std::uint32_t pattern = 0; pattern < patterns; ++pattern) {
        std::uint32_t steps = 0;
        ts_query_predicates_for_pattern(*query, pattern, &steps);
        const std::uint32_t start = ts_query_start_byte_for_pattern(*query, pattern);
        const std::uint32_t end = ts_query_end_byte_for_pattern(*query, pattern);
        if (!slices.empty() && slices.back().start == start) {
            slices.back().end = std::max(slices.back().end, end);
            slices.back().hasPredicates = slices.back().hasPredicates || steps > 0;
        } else {
            slices.push_back({start, end, steps > 0});
        }
    }
    ts_query_delete(*query);
    // The packages write for a highlighter where the first pattern of a node wins; ours takes
    // the last one, so the patterns go in reverse order.
    std::string kept(source.substr(0, slices.empty() ? source.size() : slices.front().start));
    for (auto slice = slices.rbegin(); slice != slices.rend(); ++slice) {
        if (slice->hasPredicates)
            continue;
        kept.append(source.substr(slice->start, slice->end - slice->start));
        if (!kept.empty() && kept.back() != '\n')
            kept += '\n';
    }
    auto check = compile(kept);
    if (!check)
        return failure("without its predicate patterns, " + check.error());
    ts_query_delete(*check);
    return kept;
}

std::string sign(std::string_view document, const SecretKey::Key& key)
{
    std::uint8_t signature[crypto_sign_BYTES];
    crypto_sign_detached(signature,
                         nullptr,
                         reinterpret_cast<const std::uint8_t*>(document.data()),
                         document.size(),
                         key.data());
    return Platform::Base64::encode({signature, sizeof signature});
}

EditorCore::Result<Published, std::string>
publish(const Manifest& manifest, const SecretKey::Key& key, const fs::path& out)
{
    std::error_code error;
    fs::create_directories(out, error);
    WorkFolder work{out / ".publishing"};
    fs::remove_all(work.path, error);
    const fs::path grammars = work.path / "grammars";
    const fs::path formatters = work.path / "formatters";
    fs::create_directories(grammars, error);
    fs::create_directories(formatters, error);
    if (error)
        return failure("cannot create " + work.path.string() + ": " + error.message());

    Published published;
    const std::string generated = utcNow();
    nlohmann::json grammarEntries = nlohmann::json::array();
    std::set<std::string> names;
    for (const auto& grammar : manifest.grammars) {
        if (!names.insert(grammar.name).second)
            return failure("grammar " + grammar.name + " is listed twice");
        auto entry = publishGrammar(grammar, grammars, work.path, published.grammarArchiveBytes);
        if (!entry)
            return failure(entry.error());
        grammarEntries.push_back(std::move(*entry));
    }
    for (const auto& grammar : manifest.grammars) {
        for (const auto& required : grammar.requiredGrammars) {
            if (!names.contains(required))
                return failure("grammar " + grammar.name + " requires " + required
                               + ", which is not published");
        }
    }
    auto grammarIndex = writeSigned(grammars,
                                    {{"format", 1},
                                     {"generated", generated},
                                     {"notarized", true},
                                     {"grammars", std::move(grammarEntries)}},
                                    key);
    if (!grammarIndex)
        return failure(grammarIndex.error());
    published.grammarIndexBytes = static_cast<std::int64_t>(grammarIndex->size());

    nlohmann::json formatterEntries = nlohmann::json::array();
    for (const auto& formatter : manifest.formatters) {
        auto entry = publishFormatter(formatter, formatters, published.formatterArchiveBytes);
        if (!entry)
            return failure(entry.error());
        formatterEntries.push_back(std::move(*entry));
    }
    auto formatterIndex = writeSigned(
        formatters,
        {{"format", 1}, {"generated", generated}, {"formatters", std::move(formatterEntries)}},
        key);
    if (!formatterIndex)
        return failure(formatterIndex.error());
    published.formatterIndexBytes = static_cast<std::int64_t>(formatterIndex->size());

    const std::string publicKey = SecretKey::publicKey(key);
    if (auto verified = verifyWritten<EditorFeatures::GrammarIndex>(grammars, publicKey); !verified)
        return failure(verified.error());
    if (auto verified = verifyWritten<EditorFeatures::FormatterIndex>(formatters, publicKey);
        !verified)
        return failure(verified.error());

    if (auto moved = replaceFolder(grammars, out / "grammars"); !moved)
        return failure(moved.error());
    if (auto moved = replaceFolder(formatters, out / "formatters"); !moved)
        return failure(moved.error());
    return published;
}

} // namespace Publisher
