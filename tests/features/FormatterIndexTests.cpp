#include "features/FormatterIndex.h"
#include "tests/features/StoreTestSupport.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

using namespace EditorFeatures;
using StoreTest::bytes;

namespace {

nlohmann::json prettierEntry()
{
    return {{"name", "prettier"},
            {"version", "3.10.2"},
            {"file", "prettier/prettier-3.10.2.zip"},
            {"size", 123},
            {"sha256", std::string(64, 'a')},
            {"scripts", {"standalone.js", "plugins/estree.js", "plugins/babel.js"}},
            {"extra", "ignored"}};
}

std::string indexWith(const std::vector<nlohmann::json>& entries, int format = 1)
{
    nlohmann::json index = {
        {"format", format}, {"generated", "2026-12-09"}, {"formatters", nlohmann::json(entries)}};
    return index.dump(2);
}

class FormatterIndexVerify : public ::testing::Test
{
protected:
    EditorCore::Result<FormatterIndex, FormatterIndex::Failure>
    verify(const std::string& document, const std::string& signatureSuffix = "")
    {
        return FormatterIndex::verify(
            bytes(document), signer.sign(document) + signatureSuffix, signer.publicKey());
    }

    StoreTest::TestSigner signer;
};

} // namespace

TEST_F(FormatterIndexVerify, decodesEveryFieldOfASignedIndex)
{
    auto other = prettierEntry();
    other["version"] = "4.0.0";
    const auto document = indexWith({prettierEntry(), other});
    // A trailing line break in the signature file verifies like none.
    for (const char* suffix : {"", "\n", "\r\n"}) {
        SCOPED_TRACE(testing::PrintToString(suffix));
        auto index = verify(document, suffix);
        ASSERT_TRUE(index) << index.error();
        EXPECT_EQ(index->generated, "2026-12-09");
        ASSERT_EQ(index->formatters.size(), 2u);
        const FormatterIndex::Entry expected{
            "prettier",
            "3.10.2",
            "prettier/prettier-3.10.2.zip",
            123,
            std::string(64, 'a'),
            {"standalone.js", "plugins/estree.js", "plugins/babel.js"}};
        EXPECT_EQ(index->formatters[0], expected);
        // The first entry of a name wins.
        EXPECT_EQ(index->entry("prettier"), expected);
        EXPECT_EQ(index->entry("Prettier"), std::nullopt);
    }
}

TEST_F(FormatterIndexVerify, signatureComesBeforeContent)
{
    const auto document = indexWith({prettierEntry()});
    StoreTest::TestSigner other;
    EXPECT_EQ(
        FormatterIndex::verify(bytes(document), other.sign(document), signer.publicKey()).error(),
        IndexFailure::badSignature);
    // A document that could not be read fails on its signature first.
    EXPECT_EQ(FormatterIndex::verify(bytes("not json"), other.sign("not json"), signer.publicKey())
                  .error(),
              IndexFailure::badSignature);
    // The signature covers the exact bytes.
    EXPECT_EQ(
        FormatterIndex::verify(bytes(document + " "), signer.sign(document), signer.publicKey())
            .error(),
        IndexFailure::badSignature);
}

TEST_F(FormatterIndexVerify, contentThatIsNotAnIndexOfThisFormIsUnreadable)
{
    struct Case
    {
        const char* name;
        std::string document;
    };
    std::vector<Case> cases = {
        {"format 2", indexWith({prettierEntry()}, 2)},
        {"not JSON", "{\"format\":1,"},
        {"no formatters", R"({"format":1,"generated":"x"})"},
        {"no generated", R"({"format":1,"formatters":[]})"},
        {"formatters not an array", R"({"format":1,"generated":"x","formatters":{}})"},
        {"entry not an object", indexWith({"prettier"})},
    };
    for (const char* key : {"name", "version", "file", "size", "sha256", "scripts"}) {
        auto entry = prettierEntry();
        entry.erase(key);
        cases.push_back({key, indexWith({entry})});
    }
    struct Field
    {
        const char* key;
        nlohmann::json value;
    };
    // Names that would leave the formatter's folder, the version folder or the base URL.
    const Field badFields[] = {
        {"name", ""},
        {"name", ".."},
        {"name", "a/b"},
        {"name", ".staging-1"},
        {"version", "."},
        {"version", "3/../.."},
        {"version", 3},
        {"file", "/etc/passwd"},
        {"file", "a/../b.zip"},
        {"size", "123"},
        {"size", 1.5},
        {"scripts", "standalone.js"},
        {"scripts", {"standalone.js", 1}},
        {"scripts", {"/usr/lib/standalone.js"}},
        {"scripts", {"plugins//babel.js"}},
        {"scripts", {"./standalone.js"}},
        {"scripts", {"plugins/../../outside.js"}},
        {"scripts", {"plugins/"}},
        {"scripts", {""}},
    };
    for (const auto& field : badFields) {
        auto entry = prettierEntry();
        entry[field.key] = field.value;
        cases.push_back({field.key, indexWith({prettierEntry(), entry})});
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + ": " + c.document);
        auto index = verify(c.document);
        ASSERT_FALSE(index);
        EXPECT_EQ(index.error(), IndexFailure::unreadable);
    }
    // Nested script paths and an empty list are fine.
    auto entry = prettierEntry();
    entry["scripts"] = nlohmann::json::array();
    EXPECT_TRUE(verify(indexWith({entry})));
    EXPECT_TRUE(verify(indexWith({})));
}

TEST(FormatterIndexEntry, recordRoundTripsAndRefusesWhatAnIndexRefuses)
{
    const FormatterIndex::Entry entry{"prettier",
                                      "3.10.2",
                                      "prettier 3.zip",
                                      42,
                                      std::string(64, 'f'),
                                      {"standalone.js", "plugins/estree.js"}};
    auto text = entry.encodeJSON();
    EXPECT_EQ(text.find('\n'), std::string::npos) << "compact JSON";
    EXPECT_EQ(FormatterIndex::Entry::decodeJSON(bytes(text)), entry);

    auto object = nlohmann::json::parse(text);
    object["scripts"] = {"../standalone.js"};
    EXPECT_EQ(FormatterIndex::Entry::decodeJSON(bytes(object.dump())), std::nullopt);
    object = nlohmann::json::parse(text);
    object["version"] = "../3";
    EXPECT_EQ(FormatterIndex::Entry::decodeJSON(bytes(object.dump())), std::nullopt);
    object = nlohmann::json::parse(text);
    object.erase("file");
    EXPECT_EQ(FormatterIndex::Entry::decodeJSON(bytes(object.dump())), std::nullopt);
    EXPECT_EQ(FormatterIndex::Entry::decodeJSON(bytes("[]")), std::nullopt);
    EXPECT_EQ(FormatterIndex::Entry::decodeJSON(bytes("{")), std::nullopt);

    // Size first, then the exact lower-case digest.
    auto archive = bytes("archive");
    FormatterIndex::Entry described = entry;
    described.size = 7;
    described.sha256 = SignedIndex::sha256Hex(archive);
    EXPECT_TRUE(described.matches(archive));
    described.size = 8;
    EXPECT_FALSE(described.matches(archive));
}
