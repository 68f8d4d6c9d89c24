#include "features/MarkdownHTML.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <thread>
#include <vector>

using EditorFeatures::MarkdownHTML::render;

namespace {

bool contains(const std::string& html, std::string_view part)
{
    return html.find(part) != std::string::npos;
}

} // namespace

TEST(MarkdownHTML, emptyTextRendersToNothing)
{
    EXPECT_EQ(render(u""), "");
}

TEST(MarkdownHTML, gitHubExtensions)
{
    struct Case
    {
        const char* name;
        std::u16string markdown;
        std::vector<std::string> present;
        std::vector<std::string> absent;
    };
    const std::vector<Case> cases = {
        {"table with header and delimiter rows",
         u"| a | b |\n|---|:-:|\n| 1 | 2 |\n",
         {"<table", "<thead>", "<th data-sourcepos=\"1:2-1:4\">a</th>", "<td", ">2</td>"},
         {}},
        {"only a double tilde strikes through",
         u"~one~ and ~~two~~\n",
         {"~one~", "<del>two</del>"},
         {"<del>one</del>"}},
        {"task list items get check boxes",
         u"- [ ] task\n- [x] done\n",
         {"<input type=\"checkbox\" disabled=\"\" /> task",
          "<input type=\"checkbox\" checked=\"\" disabled=\"\" /> done"},
         {"[ ]"}},
        {"bare web address becomes a link",
         u"see https://example.com/a?b=1 and www.example.org now\n",
         {"<a href=\"https://example.com/a?b=1\">https://example.com/a?b=1</a>",
          "<a href=\"http://www.example.org\">www.example.org</a>"},
         {}},
        {"fenced code puts its language on pre",
         u"```swift\nlet a = 1\n```\n",
         {"<pre data-sourcepos=\"1:1-3:3\" lang=\"swift\"><code>let a = 1\n</code></pre>"},
         {"class=\"language-swift\""}},
        {"footnotes",
         u"text[^1]\n\n[^1]: the note\n",
         {"<sup class=\"footnote-ref\">", "the note", "class=\"footnotes\""},
         {"[^1]"}},
        {"raw HTML and unsafe links pass through",
         u"<span class=\"x\">hi</span>\n\n[go](javascript:alert(1))\n",
         {"<span class=\"x\">hi</span>", "href=\"javascript:alert(1)\""},
         {"raw HTML omitted"}},
        {"the tag filter disarms script",
         u"<script>alert(1)</script>\n",
         {"&lt;script>"},
         {"<script>"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string html = render(c.markdown);
        for (const auto& part : c.present)
            EXPECT_TRUE(contains(html, part)) << "missing " << part << " in\n" << html;
        for (const auto& part : c.absent)
            EXPECT_FALSE(contains(html, part)) << "unexpected " << part << " in\n" << html;
    }
}

TEST(MarkdownHTML, everyBlockCarriesItsFirstSourceLine)
{
    const std::u16string markdown = u"# Title\n"         // 1
                                    u"\n"                // 2
                                    u"A paragraph\n"     // 3
                                    u"over two lines.\n" // 4
                                    u"\n"                // 5
                                    u"- one\n"           // 6
                                    u"- two\n"           // 7
                                    u"\n"                // 8
                                    u"```\n"             // 9
                                    u"code\n"            // 10
                                    u"```\n"             // 11
                                    u"\n"                // 12
                                    u"> quoted\n"        // 13
                                    u"\n"                // 14
                                    u"## Second\n";      // 15
    const std::string html = render(markdown);
    struct Case
    {
        const char* tag;
        int firstLine;
    };
    for (const Case c : {Case{"h1", 1},
                         Case{"p", 3},
                         Case{"ul", 6},
                         Case{"li", 6},
                         Case{"li", 7},
                         Case{"pre", 9},
                         Case{"blockquote", 13},
                         Case{"p", 13},
                         Case{"h2", 15}}) {
        SCOPED_TRACE(std::string(c.tag) + " at line " + std::to_string(c.firstLine));
        const std::regex pattern("<" + std::string(c.tag) + " data-sourcepos=\""
                                 + std::to_string(c.firstLine) + ":[0-9]+-[0-9]+:[0-9]+\"");
        EXPECT_TRUE(std::regex_search(html, pattern)) << html;
    }
    // Every opening block tag has one.
    const std::regex blockTag("<(h[1-6]|p|ul|ol|li|pre|blockquote|table|hr)[ >]");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), blockTag);
         it != std::sregex_iterator();
         ++it) {
        const std::string tail = html.substr(static_cast<std::size_t>(it->position()), 40);
        EXPECT_TRUE(contains(tail, "data-sourcepos=\"")) << tail;
    }
}

TEST(MarkdownHTML, textIsUtf16InUtf8Out)
{
    EXPECT_EQ(render(u"# 한글 😀\n"), "<h1 data-sourcepos=\"1:1-1:13\">한글 😀</h1>\n");
    // A lone surrogate cannot be encoded; it is replaced rather than dropping the whole text.
    const std::u16string broken = std::u16string(u"a") + char16_t(0xD800) + u"b\n";
    EXPECT_EQ(render(broken),
              "<p data-sourcepos=\"1:1-1:5\">a\xEF\xBF\xBD"
              "b</p>\n");
}

TEST(MarkdownHTML, rendersFromSeveralThreadsAtOnce)
{
    std::vector<std::u16string> texts;
    std::vector<std::string> expected;
    for (int i = 0; i < 4; ++i) {
        std::u16string text;
        for (int line = 0; line < 200; ++line)
            text += u"| " + std::u16string(static_cast<std::size_t>(i + 1), u'x') + u" | ~~b~~ |\n"
                    + (line == 0 ? u"|---|---|\n" : u"");
        texts.push_back(text);
        expected.push_back(render(text));
    }
    std::vector<std::vector<std::string>> results(texts.size());
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        threads.emplace_back([&, i] {
            for (int round = 0; round < 20; ++round)
                results[i].push_back(render(texts[i]));
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        SCOPED_TRACE(i);
        for (const auto& html : results[i])
            EXPECT_EQ(html, expected[i]);
    }
}
