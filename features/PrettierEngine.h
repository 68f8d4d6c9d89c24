#pragma once

#include "core/Result.h"
#include "features/CodeLanguage.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace EditorFeatures {

// Runs a downloaded Prettier bundle in a SpiderMonkey context and formats one text per call.
//
// Thread: a context belongs to the thread that made it. Create, use and destroy an engine on
// the formatter's serial queue ("app.orlune.viewer.formatter"); a call from any other thread
// fails instead of touching the context. An engine may also be kept until the process exits.
//
// The bundle is evaluated as plain scripts: `exports`, `module` and `define` stay undefined, so
// each script installs itself as a global (`prettier`, `prettierPlugins.<name>`). Promise jobs
// are drained after every evaluation, so `prettier.format` has settled when a call returns.
class PrettierEngine
{
public:
    struct Failure
    {
        std::string message; // UTF-8
        std::optional<int> line;
        std::optional<int> column;
        bool operator==(const Failure&) const = default;
    };

    // `directory` is the installed version folder; `scripts` are its script files relative to
    // it, in evaluation order (an installed formatter entry's `scripts`). A script that cannot
    // be read, that throws, or a bundle without a `prettier` object leaves no engine.
    [[nodiscard]] static EditorCore::Result<std::unique_ptr<PrettierEngine>, Failure>
    create(const std::filesystem::path& directory, const std::vector<std::string>& scripts);

    ~PrettierEngine();
    PrettierEngine(const PrettierEngine&) = delete;
    PrettierEngine& operator=(const PrettierEngine&) = delete;

    // The formatted text with "\n" line ends. `parser` is a Prettier parser name.
    [[nodiscard]] EditorCore::Result<std::u16string, Failure>
    format(std::u16string_view source, std::string_view parser, int tabWidth, bool useTabs);

    // The Prettier parser for a language, or none when the language is not formatted through
    // Prettier (JSON has its own tidy).
    static std::optional<std::string_view> parserName(CodeLanguage);

private:
    struct Context;
    explicit PrettierEngine(std::unique_ptr<Context>);

    std::unique_ptr<Context> m_context;
    std::thread::id m_thread;
};

std::ostream& operator<<(std::ostream&, const PrettierEngine::Failure&);

} // namespace EditorFeatures
