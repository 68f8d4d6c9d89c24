#include "features/PrettierEngine.h"
#include "platform/SerialQueue.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>

using EditorFeatures::PrettierEngine;
using Platform::SerialQueue;
using Failure = PrettierEngine::Failure;
namespace fs = std::filesystem;

namespace {

constexpr const char* formatterQueueLabel = "app.orlune.viewer.formatter";

// The scripts of the bundle in evaluation order, as an installed formatter lists them.
const std::vector<std::string> bundleScripts = {
    "standalone.js",
    "plugins/estree.js",
    "plugins/babel.js",
    "plugins/typescript.js",
    "plugins/markdown.js",
    "plugins/yaml.js",
    "plugins/html.js",
    "plugins/postcss.js",
};

// Runs the work on the queue and waits for it.
void runOn(SerialQueue& queue, std::function<void()> work)
{
    queue.async(std::move(work));
    queue.waitUntilIdle();
}

template<class Work>
auto onQueue(SerialQueue& queue, Work work)
{
    std::optional<decltype(work())> result;
    runOn(queue, [&] { result.emplace(work()); });
    return std::move(*result);
}

// Readable failure output for texts the tests keep to ASCII.
std::string ascii(const std::u16string& text)
{
    std::string bytes;
    for (char16_t unit : text)
        bytes += unit < 0x80 ? static_cast<char>(unit) : '?';
    return bytes;
}

// The real Prettier bundle from its npm tarball, loaded once for the suite on the formatter
// queue, where the engine also formats and is destroyed.
class PrettierBundle : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_queue = new SerialQueue(formatterQueueLabel);
        runOn(*s_queue, [] {
            auto engine = PrettierEngine::create(OLV_PRETTIER_DIR, bundleScripts);
            if (engine)
                s_engine = engine->release();
            else
                s_loadFailure = new Failure(engine.error());
        });
    }

    static void TearDownTestSuite()
    {
        runOn(*s_queue, [] { delete s_engine; });
        s_engine = nullptr;
        delete s_loadFailure;
        s_loadFailure = nullptr;
        delete s_queue;
        s_queue = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(fs::exists(fs::path(OLV_PRETTIER_DIR) / "standalone.js"))
            << "the Prettier bundle is missing: run ./setup.sh";
        ASSERT_NE(s_engine, nullptr) << *s_loadFailure;
    }

    static EditorCore::Result<std::u16string, Failure> format(std::u16string_view source,
                                                              std::string_view parser,
                                                              int tabWidth = 2,
                                                              bool useTabs = false)
    {
        return onQueue(*s_queue,
                       [&] { return s_engine->format(source, parser, tabWidth, useTabs); });
    }

    static SerialQueue* s_queue;
    static PrettierEngine* s_engine;
    static Failure* s_loadFailure;
};

SerialQueue* PrettierBundle::s_queue = nullptr;
PrettierEngine* PrettierBundle::s_engine = nullptr;
Failure* PrettierBundle::s_loadFailure = nullptr;

} // namespace

TEST(PrettierEngine, parserNames)
{
    using EditorFeatures::CodeLanguage;
    const std::map<CodeLanguage, std::string_view> parsers = {
        {CodeLanguage::markdown, "markdown"},
        {CodeLanguage::yaml, "yaml"},
        {CodeLanguage::javascript, "babel"},
        {CodeLanguage::typescript, "typescript"},
        {CodeLanguage::tsx, "typescript"},
        {CodeLanguage::html, "html"},
        {CodeLanguage::css, "css"},
    };
    for (const CodeLanguage language : EditorFeatures::allCodeLanguages) {
        SCOPED_TRACE(EditorFeatures::rawValue(language));
        const auto found = parsers.find(language);
        EXPECT_EQ(PrettierEngine::parserName(language),
                  found == parsers.end() ? std::nullopt : std::optional(found->second));
    }
    EXPECT_EQ(PrettierEngine::parserName(CodeLanguage::json), std::nullopt);
}

TEST_F(PrettierBundle, everyParserFormatsItsLanguage)
{
    using EditorFeatures::CodeLanguage;
    struct Case
    {
        CodeLanguage language;
        std::u16string source;
        std::u16string expected;
    };
    const Case cases[] = {
        {CodeLanguage::javascript, u"const a={b:1,c:[1,2]}\n", u"const a = { b: 1, c: [1, 2] };\n"},
        {CodeLanguage::typescript,
         u"let x:number=1\ninterface A{b:string}\n",
         u"let x: number = 1;\ninterface A {\n  b: string;\n}\n"},
        {CodeLanguage::tsx,
         u"const a=<div className='x'>{n as number}</div>\n",
         u"const a = <div className=\"x\">{n as number}</div>;\n"},
        {CodeLanguage::markdown, u"# Title\n*  a\n*  b\n", u"# Title\n\n- a\n- b\n"},
        {CodeLanguage::yaml, u"a:   1\nb:\n    - x\n", u"a: 1\nb:\n  - x\n"},
        {CodeLanguage::html,
         u"<ul><li>one</li><li>two</li></ul>",
         u"<ul>\n  <li>one</li>\n  <li>two</li>\n</ul>\n"},
        {CodeLanguage::css, u"a{color:red;margin:0}", u"a {\n  color: red;\n  margin: 0;\n}\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(EditorFeatures::rawValue(c.language));
        const auto parser = PrettierEngine::parserName(c.language);
        ASSERT_TRUE(parser);
        const auto formatted = format(c.source, *parser);
        ASSERT_TRUE(formatted) << formatted.error();
        EXPECT_EQ(ascii(*formatted), ascii(c.expected));
    }
}

TEST_F(PrettierBundle, indentationAndLineEndsComeFromTheCall)
{
    const auto tabs = format(u"function f(){if(a){return 1}}\r\n", "babel", 8, true);
    ASSERT_TRUE(tabs) << tabs.error();
    EXPECT_EQ(ascii(*tabs), "function f() {\n\tif (a) {\n\t\treturn 1;\n\t}\n}\n");

    const auto fourSpaces = format(u"function f(){return 1}", "babel", 4, false);
    ASSERT_TRUE(fourSpaces) << fourSpaces.error();
    EXPECT_EQ(ascii(*fourSpaces), "function f() {\n    return 1;\n}\n");
}

TEST_F(PrettierBundle, textOutsideAsciiSurvives)
{
    const std::u16string source = u"const s = '한글 😀 \u00a0';\n";
    const auto formatted = format(source, "babel");
    ASSERT_TRUE(formatted) << formatted.error();
    EXPECT_EQ(*formatted, u"const s = \"한글 😀 \u00a0\";\n");
}

TEST_F(PrettierBundle, syntaxErrorComesBackWithLineAndColumn)
{
    const auto formatted = format(u"const a = 1;\nconst = ;\n", "babel");
    ASSERT_FALSE(formatted);
    const Failure& failure = formatted.error();
    EXPECT_EQ(failure.line, 2);
    EXPECT_EQ(failure.column, 7);
    EXPECT_FALSE(failure.message.empty());
    EXPECT_EQ(failure.message.find('\n'), std::string::npos) << failure.message;

    // The engine stays usable after a rejection.
    const auto next = format(u"a=1", "babel");
    ASSERT_TRUE(next) << next.error();
    EXPECT_EQ(ascii(*next), "a = 1;\n");
}

TEST_F(PrettierBundle, unknownParserIsReportedNotLost)
{
    const auto formatted = format(u"x", "no-such-parser");
    ASSERT_FALSE(formatted);
    EXPECT_NE(formatted.error().message, "결과 없음");
    EXPECT_NE(formatted.error().message.find("no-such-parser"), std::string::npos)
        << formatted.error();
}

TEST_F(PrettierBundle, deepNestingFailsInsteadOfOverflowingTheStack)
{
    const std::size_t depth = 100000;
    const std::u16string source =
        u"x = " + std::u16string(depth, u'[') + std::u16string(depth, u']') + u";\n";
    const auto formatted = format(source, "babel");
    ASSERT_FALSE(formatted);
    EXPECT_FALSE(formatted.error().message.empty());

    const auto next = format(u"a=1", "babel");
    ASSERT_TRUE(next) << next.error();
}

TEST_F(PrettierBundle, refusesCallsFromAnotherThread)
{
    const auto formatted = s_engine->format(u"a=1", "babel", 2, false);
    ASSERT_FALSE(formatted);
    EXPECT_NE(formatted.error().message, "결과 없음");
}

// Bundles written by the tests, to reach the engine's own paths.
class PrettierFakeBundle : public testing::Test
{
protected:
    void SetUp() override
    {
        const char* tmp = std::getenv("TMPDIR");
        m_folder = fs::path(tmp ? tmp : "/tmp")
                   / ("olv-prettier-" + std::to_string(::getpid()) + "-"
                      + testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_folder);
        fs::create_directories(m_folder / "plugins");
    }

    void TearDown() override
    {
        runOn(m_queue, [this] { m_engine.reset(); });
        fs::remove_all(m_folder);
    }

    void write(const std::string& name, std::string_view text)
    {
        std::ofstream(m_folder / name, std::ios::binary) << text;
    }

    std::optional<Failure> load(const std::vector<std::string>& scripts)
    {
        return onQueue(m_queue, [&]() -> std::optional<Failure> {
            auto engine = PrettierEngine::create(m_folder, scripts);
            if (!engine)
                return engine.error();
            m_engine = std::move(*engine);
            return std::nullopt;
        });
    }

    EditorCore::Result<std::u16string, Failure> format(std::u16string_view source,
                                                       std::string_view parser = "babel",
                                                       int tabWidth = 2,
                                                       bool useTabs = false)
    {
        return onQueue(m_queue,
                       [&] { return m_engine->format(source, parser, tabWidth, useTabs); });
    }

    // A bundle whose `format` is the given function body of (text, options).
    void loadFormatter(std::string_view body)
    {
        write("standalone.js",
              "var prettier = { format(text, options) {" + std::string(body) + "} };\n");
        write("plugins/one.js",
              "var prettierPlugins = { one: { name: 'one' }, two: { name: 'two' } };\n");
        const auto failure = load({"standalone.js", "plugins/one.js"});
        ASSERT_FALSE(failure) << *failure;
    }

    fs::path m_folder;
    SerialQueue m_queue{formatterQueueLabel};
    std::unique_ptr<PrettierEngine> m_engine;
};

TEST_F(PrettierFakeBundle, loadsAsPlainScriptsWithoutAModuleSystem)
{
    write("standalone.js",
          "if (typeof exports !== 'undefined' || typeof module !== 'undefined' ||\n"
          "    typeof define !== 'undefined') throw new Error('module system visible');\n"
          "var prettier = { format: (t) => Promise.resolve(t.toUpperCase()) };\n"
          "var prettierPlugins = {};\n");
    ASSERT_FALSE(load({"standalone.js"}));
    const auto formatted = format(u"abc");
    ASSERT_TRUE(formatted) << formatted.error();
    EXPECT_EQ(*formatted, u"ABC");
}

TEST_F(PrettierFakeBundle, loadingFailures)
{
    write("throws.js", "throw new Error('boom at load');\n");
    write("ok.js", "var x = 1;\n");
    write("weird.js", "throw Object.create(null);\n");
    write("number.js", "var prettier = 3;\n");
    write("plugins/late.js", "var prettier = {};\n");
    struct Case
    {
        const char* name;
        std::vector<std::string> scripts;
        std::string message;
    };
    const Case cases[] = {
        // The second script does not exist: reading it would have failed differently.
        {"first script throws", {"throws.js", "missing.js"}, "Error: boom at load"},
        {"thrown value without a string form", {"weird.js"}, "?"},
        {"no prettier object", {"ok.js"}, "prettier 없음"},
        {"prettier is not an object", {"number.js"}, "prettier 없음"},
        {"unreadable script", {"ok.js", "missing.js"}, "missing.js: No such file or directory"},
        {"script outside the folder", {"../x.js"}, "../x.js: not a path inside the formatter"},
        {"absolute script path",
         {"/etc/hostname"},
         "/etc/hostname: not a path inside the formatter"},
        {"dot segment",
         {"plugins/./late.js"},
         "plugins/./late.js: not a path inside the formatter"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto failure = load(c.scripts);
        ASSERT_TRUE(failure);
        EXPECT_EQ(*failure, (Failure{c.message, std::nullopt, std::nullopt}));
    }
    EXPECT_FALSE(load({"ok.js", "plugins/late.js"}));
}

TEST_F(PrettierFakeBundle, passesExactlyTheOptionsOfTheCall)
{
    loadFormatter("return Promise.resolve(JSON.stringify(Object.assign({}, options, "
                  "{ plugins: options.plugins.map((p) => p.name) })) + '|' + text);");
    const auto formatted = format(u"src", "typescript", 8, true);
    ASSERT_TRUE(formatted) << formatted.error();
    EXPECT_EQ(ascii(*formatted),
              R"({"plugins":["one","two"],"parser":"typescript",)"
              R"("tabWidth":8,"useTabs":true,"endOfLine":"lf"}|src)");
}

TEST_F(PrettierFakeBundle, promiseJobsAreDrainedBeforeTheCallReturns)
{
    loadFormatter("let p = Promise.resolve(text);\n"
                  "for (let i = 0; i < 50; ++i) p = p.then((t) => t + '.');\n"
                  "return p.then(async (t) => { await null; return t + '!'; });");
    const auto formatted = format(u"x");
    ASSERT_TRUE(formatted) << formatted.error();
    EXPECT_EQ(*formatted, u"x" + std::u16string(50, u'.') + u"!");
}

TEST_F(PrettierFakeBundle, sourceIsClearedAfterEachCall)
{
    // Records every value written to the global, as the engine sets it.
    write("standalone.js",
          "var seen = [];\n"
          "Object.defineProperty(globalThis, '__olSource', { configurable: true,\n"
          "  get() { return this.__held; }, set(v) { seen.push(typeof v); this.__held = v; } });\n"
          "var prettier = { format: (t) => Promise.resolve(seen.join(',')) };\n"
          "var prettierPlugins = {};\n");
    ASSERT_FALSE(load({"standalone.js"}));
    ASSERT_TRUE(format(u"a"));
    const auto second = format(u"b");
    ASSERT_TRUE(second) << second.error();
    EXPECT_EQ(*second, u"string,undefined,string");
}

TEST_F(PrettierFakeBundle, failuresOfTheCall)
{
    struct Case
    {
        const char* name;
        const char* body;
        Failure expected;
    };
    const Case cases[] = {
        {"rejection keeps the first line and the location",
         "const e = new SyntaxError('Unexpected token (3:4)\\n> 3 | x'); "
         "e.loc = { start: { line: 3, column: 4 } }; return Promise.reject(e);",
         {"Unexpected token (3:4)", 3, 4}},
        {"non-number location parts are left out",
         "return Promise.reject({ message: 42, loc: { start: { line: 2.9, column: 'x' } } });",
         {"42", 2, std::nullopt}},
        {"rejection with a plain value",
         "return Promise.reject('plain\\nsecond');",
         {"plain", std::nullopt, std::nullopt}},
        {"rejection without a string form",
         "return Promise.reject(Object.create(null));",
         {"?", std::nullopt, std::nullopt}},
        {"synchronous throw keeps its message",
         "throw Object.assign(new Error('sync boom\\nframe'), { loc: { start: { line: 1, "
         "column: 2 } } });",
         {"sync boom", 1, 2}},
        {"promise that never settles",
         "return new Promise(() => {});",
         {"결과 없음", std::nullopt, std::nullopt}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        runOn(m_queue, [this] { m_engine.reset(); });
        loadFormatter(c.body);
        const auto formatted = format(u"text");
        ASSERT_FALSE(formatted);
        EXPECT_EQ(formatted.error(), c.expected);
    }
}

TEST_F(PrettierFakeBundle, missingPluginTableIsReported)
{
    write("standalone.js", "var prettier = { format: (t) => Promise.resolve(t) };\n");
    ASSERT_FALSE(load({"standalone.js"}));
    const auto formatted = format(u"x");
    ASSERT_FALSE(formatted);
    EXPECT_NE(formatted.error().message, "결과 없음");
    EXPECT_FALSE(formatted.error().message.empty());
}
