#include "features/CodeLanguage.h"
#include "features/CodeLanguageDetector.h"

#include <gtest/gtest.h>

#include <string>

using namespace EditorFeatures;

namespace {

std::string narrow(std::u16string_view text)
{
    return std::string(text.begin(), text.end());
}

} // namespace

TEST(CodeLanguage, rawValuesRoundTripInMenuOrder)
{
    const char* expected[] = {"text", "log",  "ini",        "toml",       "dotenv",     "markdown",
                              "json", "yaml", "bash",       "javascript", "typescript", "tsx",
                              "php",  "html", "css",        "python",     "sql",        "xml",
                              "go",   "rust", "java",       "kotlin",     "swift",      "c",
                              "cpp",  "ruby", "dockerfile", "make"};
    ASSERT_EQ(allCodeLanguages.size(), std::size(expected));
    for (std::size_t index = 0; index < allCodeLanguages.size(); ++index) {
        EXPECT_EQ(static_cast<std::size_t>(allCodeLanguages[index]), index);
        EXPECT_EQ(rawValue(allCodeLanguages[index]), expected[index]);
        EXPECT_EQ(codeLanguageFromRawValue(expected[index]), allCodeLanguages[index]);
    }
}

TEST(CodeLanguage, onlyExactIdentifiersAreLanguages)
{
    EXPECT_EQ(codeLanguageFromRawValue("bash"), CodeLanguage::shell);
    EXPECT_EQ(codeLanguageFromRawValue("text"), CodeLanguage::plainText);
    for (const char* raw : {"shell", "plainText", "JSON", "", "json "})
        EXPECT_EQ(codeLanguageFromRawValue(raw), std::nullopt) << raw;
}

TEST(CodeLanguage, displayNames)
{
    EXPECT_EQ(displayName(CodeLanguage::plainText), "일반 텍스트");
    EXPECT_EQ(displayName(CodeLanguage::log), "로그");
    EXPECT_EQ(displayName(CodeLanguage::shell), "셸 스크립트");
    EXPECT_EQ(displayName(CodeLanguage::dotenv), ".env");
    EXPECT_EQ(displayName(CodeLanguage::cpp), "C++");
    EXPECT_EQ(displayName(CodeLanguage::make), "Makefile");
    EXPECT_EQ(localizedDisplayNames[0], displayName(CodeLanguage::plainText));
    EXPECT_EQ(localizedDisplayNames[1], displayName(CodeLanguage::log));
    EXPECT_EQ(localizedDisplayNames[2], displayName(CodeLanguage::shell));
}

TEST(CodeLanguageDetector, detectsFromNameExtensionAndShebang)
{
    using enum CodeLanguageSource;
    struct Case
    {
        std::optional<std::u16string_view> fileName;
        std::optional<std::u16string_view> firstLine;
        CodeLanguageDetection expected;
    };
    const Case cases[] = {
        {u"Dockerfile", {}, {CodeLanguage::dockerfile, fileName}},
        {u"Dockerfile.prod", {}, {CodeLanguage::dockerfile, fileName}},
        {u"Containerfile", {}, {CodeLanguage::dockerfile, fileName}},
        {u"containerfile.dev", {}, {CodeLanguage::dockerfile, fileName}},
        {u"app.dockerfile", {}, {CodeLanguage::dockerfile, fileExtension}},
        {u"GNUmakefile", {}, {CodeLanguage::make, fileName}},
        {u"Makefile.am", {}, {CodeLanguage::make, fileName}},
        {u"build.mk", {}, {CodeLanguage::make, fileExtension}},
        {u".env", {}, {CodeLanguage::dotenv, fileName}},
        {u".env.local", {}, {CodeLanguage::dotenv, fileName}},
        {u"prod.env", {}, {CodeLanguage::dotenv, fileExtension}},
        {u".envrc", {}, {CodeLanguage::plainText, none}},
        {u".envrc", u"#!/bin/bash", {CodeLanguage::shell, shebang}},
        {u".bashrc", {}, {CodeLanguage::shell, fileName}},
        {u".ZSHRC", {}, {CodeLanguage::shell, fileName}},
        {u".profile", {}, {CodeLanguage::shell, fileName}},
        {u".editorconfig", {}, {CodeLanguage::ini, fileName}},
        {u"Gemfile", {}, {CodeLanguage::ruby, fileName}},
        {u"Brewfile", {}, {CodeLanguage::ruby, fileName}},
        {u"Cargo.lock", {}, {CodeLanguage::toml, fileName}},
        {u"Pipfile", {}, {CodeLanguage::toml, fileName}},
        {u"package.lock", {}, {CodeLanguage::plainText, none}},
        {u"app.log", {}, {CodeLanguage::log, fileExtension}},
        {u"app.log.3", {}, {CodeLanguage::log, fileName}},
        {u"server.log.12", {}, {CodeLanguage::log, fileName}},
        {u"x.log.", {}, {CodeLanguage::log, fileName}},
        {u"app.log.old", {}, {CodeLanguage::plainText, none}},
        {u"app.log.1.gz", {}, {CodeLanguage::plainText, none}},
        {u"X.JSON", {}, {CodeLanguage::json, fileExtension}},
        {u"route.geojson", {}, {CodeLanguage::json, fileExtension}},
        {u"notes.md?raw=1", {}, {CodeLanguage::markdown, fileExtension}},
        {u"guide.md#intro", {}, {CodeLanguage::markdown, fileExtension}},
        {u"lib.c++", {}, {CodeLanguage::cpp, fileExtension}},
        {u"view.h", {}, {CodeLanguage::c, fileExtension}},
        {u"App.storyboard", {}, {CodeLanguage::xml, fileExtension}},
        {u"name.", {}, {CodeLanguage::plainText, none}},
        {u"README", {}, {CodeLanguage::plainText, none}},
        // A name rule beats the extension, and both beat the #! line.
        {u"build.sh", u"#!/usr/bin/env python3", {CodeLanguage::shell, fileExtension}},
        {u"run", u"#!/usr/bin/env python3", {CodeLanguage::python, shebang}},
        {u"Gemfile", u"#!/bin/sh", {CodeLanguage::ruby, fileName}},
        {{}, u"#!/bin/sh", {CodeLanguage::shell, shebang}},
        {u"", u"#!/bin/sh", {CodeLanguage::shell, shebang}},
        {{}, {}, {CodeLanguage::plainText, none}},
        {u"", {}, {CodeLanguage::plainText, none}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fileName ? narrow(*c.fileName) : "(no name)");
        SCOPED_TRACE(c.firstLine ? narrow(*c.firstLine) : "(no line)");
        EXPECT_EQ(CodeLanguageDetector::detect(c.fileName, c.firstLine), c.expected);
    }
}

TEST(CodeLanguageDetector, shebangLines)
{
    struct Case
    {
        std::u16string_view line;
        CodeLanguage expected;
    };
    const Case cases[] = {
        {u"#!/bin/sh", CodeLanguage::shell},
        {u"#! /usr/bin/python3", CodeLanguage::python},
        {u"#!/usr/bin/env python3.11", CodeLanguage::python},
        {u"#!/usr/bin/env -S LC_ALL=C python3 -u", CodeLanguage::python},
        {u"#!/usr/local/bin/node18", CodeLanguage::javascript},
        {u"#!/usr/bin/env\tdeno run", CodeLanguage::javascript},
        {u"#!/usr/bin/php8", CodeLanguage::php},
        {u"#!/usr/bin/make -f", CodeLanguage::make},
        {u"#!/usr/bin/ruby", CodeLanguage::ruby},
        {u"#!bash", CodeLanguage::shell},
        {u"#!/usr/bin/env", CodeLanguage::plainText},
        {u"#!/usr/bin/env -i A=B", CodeLanguage::plainText},
        {u"#!/usr/bin/perl", CodeLanguage::plainText},
        {u"#!/bin/BASH", CodeLanguage::plainText},
        {u"#!", CodeLanguage::plainText},
        {u"#!/", CodeLanguage::plainText},
        {u"#!/3.1", CodeLanguage::plainText},
        {u" #!/bin/sh", CodeLanguage::plainText},
        {u"", CodeLanguage::plainText},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.line));
        auto detection = CodeLanguageDetector::detect(std::nullopt, c.line);
        EXPECT_EQ(detection.language, c.expected);
        EXPECT_EQ(detection.source == CodeLanguageSource::shebang,
                  c.expected != CodeLanguage::plainText);
    }
}

TEST(CodeLanguageDetector, normalizedNameDropsUrlTailsOnlyBehindAnExtension)
{
    struct Case
    {
        std::u16string_view name;
        std::u16string_view expected;
    };
    const Case cases[] = {
        {u"notes.md?raw=1", u"notes.md"},
        {u"guide.md#intro", u"guide.md"},
        {u"a.b.c?x#y", u"a.b.c"},
        {u"README#1", u"README#1"},
        {u"#draft", u"#draft"},
        {u".env?x", u".env?x"},
        {u"name.?x", u"name.?x"},
        {u"", u""},
        {u"plain.txt", u"plain.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.name));
        EXPECT_EQ(CodeLanguageDetector::normalizedName(c.name), c.expected);
    }
}

TEST(CodeLanguageDetector, pathExtensionIsLowerCased)
{
    EXPECT_EQ(CodeLanguageDetector::pathExtension(u"Photo.JPG"), u"jpg");
    EXPECT_EQ(CodeLanguageDetector::pathExtension(u"notes.MD?raw=1"), u"md");
    EXPECT_EQ(CodeLanguageDetector::pathExtension(u"archive.tar.gz"), u"gz");
    EXPECT_EQ(CodeLanguageDetector::pathExtension(u".bashrc"), u"");
    EXPECT_EQ(CodeLanguageDetector::pathExtension(u"Makefile"), u"");
    EXPECT_EQ(CodeLanguageDetector::pathExtension(u"name."), u"");
    EXPECT_EQ(CodeLanguageDetector::pathExtension(u""), u"");
}

TEST(CodeLanguageDetector, firstLineStopsAtTheFirstBreakWithin256Characters)
{
    EXPECT_EQ(CodeLanguageDetector::firstLine(u"#!/bin/sh\necho"), u"#!/bin/sh");
    EXPECT_EQ(CodeLanguageDetector::firstLine(u"a\r\nb"), u"a");
    EXPECT_EQ(CodeLanguageDetector::firstLine(u"a\rb"), u"a");
    EXPECT_EQ(CodeLanguageDetector::firstLine(u"a\u2028b"), u"a");
    EXPECT_EQ(CodeLanguageDetector::firstLine(u"a\u0085b"), u"a");
    EXPECT_EQ(CodeLanguageDetector::firstLine(u"\n#!/bin/sh"), u"");
    EXPECT_EQ(CodeLanguageDetector::firstLine(u"no break"), u"no break");
    EXPECT_EQ(CodeLanguageDetector::firstLine(u""), u"");

    std::u16string longLine(300, u'x');
    EXPECT_EQ(CodeLanguageDetector::firstLine(longLine + u"\nnext"), longLine.substr(0, 256));

    // A break after the 256th character is not looked for.
    std::u16string exact(256, u'y');
    EXPECT_EQ(CodeLanguageDetector::firstLine(exact + u"\n"), exact);

    // Characters, not units: a surrogate pair and a base with a combining mark count once each.
    std::u16string clusters;
    for (int index = 0; index < 200; ++index)
        clusters += u"\U0001F600e\u0301";
    auto line = CodeLanguageDetector::firstLine(clusters);
    EXPECT_EQ(line, std::u16string_view(clusters).substr(0, 128 * 4));

    // An empty first line gives no #! language.
    EXPECT_EQ(
        CodeLanguageDetector::detect(std::nullopt, CodeLanguageDetector::firstLine(u"\n#!/bin/sh"))
            .source,
        CodeLanguageSource::none);
}
