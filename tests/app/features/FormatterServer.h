#pragma once

#include "features/FormatterStore.h"
#include "tests/features/StoreTestSupport.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace FormatterTest {

// A formatter download server in a folder, reached by a file URL, and an empty formatter
// folder, with an index signed by a key made for the test. Bundles are small stand-ins for
// Prettier: `prettier.format(text, options)` runs the JavaScript body given.
class FormatterServer
{
public:
    std::filesystem::path server() const { return m_folder.path() / "server"; }
    std::filesystem::path root() const { return m_folder.path() / "Formatters"; }
    std::string url() const { return StoreTest::fileURL(server()); }

    // Offers a bundle (replacing the index) whose format function has `formatBody`.
    void publish(std::string_view formatBody, const std::string& version = "1.0.0");
    // Offers a bundle whose script throws when it is evaluated.
    void publishDamaged(const std::string& version = "1.0.0");
    // Offers nothing: the index names no formatter.
    void publishNothing();

    EditorFeatures::FormatterStore store() const;

private:
    void publishScript(const std::string& script, const std::string& version);

    StoreTest::TemporaryFolder m_folder;
    StoreTest::TestSigner m_signer;
};

// The body of a format function that upper-cases the text and appends a line feed.
inline constexpr std::string_view upperCaseBody =
    "return Promise.resolve(text.toUpperCase() + '\\n');";

} // namespace FormatterTest
