#include "features/SyntaxGrammarLoad.h"

#include "features/SignedIndex.h"

#include <unicode/utf8.h>

#include <dlfcn.h>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>

namespace EditorFeatures::SyntaxGrammars {
namespace {

std::optional<std::string> readUTF8(const std::filesystem::path& path)
{
    std::ifstream stream(path, std::ios::binary);
    if (!stream)
        return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    if (stream.bad()
        || text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    auto length = static_cast<std::int32_t>(text.size());
    for (std::int32_t i = 0; i < length;) {
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        if (c < 0)
            return std::nullopt;
    }
    return text;
}

} // namespace

std::ostream& operator<<(std::ostream& out, const LoadFailure& failure)
{
    struct Printer
    {
        std::ostream& out;
        void operator()(const LoadFailure::Refused& f) { out << "refused(" << f.text << ")"; }
        void operator()(const LoadFailure::MissingSymbol&) { out << "missingSymbol"; }
        void operator()(const LoadFailure::Incompatible&) { out << "incompatible"; }
        void operator()(const LoadFailure::BadQuery&) { out << "badQuery"; }
    };
    std::visit(Printer{out}, failure.value);
    return out;
}

EditorCore::Result<SyntaxGrammar, LoadFailure> load(const InstalledGrammar& record,
                                                    const std::filesystem::path& directory)
{
    using EditorCore::failure;
    // A bare name would make the loader search the system's library path instead.
    if (!SignedIndex::isPathComponent(record.dylib))
        return failure(LoadFailure::refused("invalid library name: " + record.dylib));
    const auto library = directory / record.dylib;

    // Never closed: the language's tables live in the library for as long as trees use them.
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* text = dlerror();
        return failure(LoadFailure::refused(text ? text : "dlopen"));
    }
    dlerror();
    void* entry = dlsym(handle, record.symbol.c_str());
    if (!entry)
        return failure(LoadFailure::missingSymbol());

    using LanguageFunction = const TSLanguage* (*)();
    auto function = reinterpret_cast<LanguageFunction>(entry);
    auto language = SyntaxLanguage::make(record.name, function());
    if (!language)
        return failure(LoadFailure::incompatible());

    auto highlights = readUTF8(directory / "highlights.scm");
    if (!highlights)
        return failure(LoadFailure::badQuery());
    auto query = SyntaxQuery::make(*language, *highlights);
    if (!query)
        return failure(LoadFailure::badQuery());

    std::shared_ptr<const SyntaxInjectionQuery> injections;
    if (auto source = readUTF8(directory / "injections.scm")) {
        if (auto compiled = SyntaxInjectionQuery::make(*language, *source))
            injections = std::move(*compiled);
    }
    return SyntaxGrammar{std::move(*language), std::move(*query), std::move(injections)};
}

} // namespace EditorFeatures::SyntaxGrammars
