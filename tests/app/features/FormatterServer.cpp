#include "tests/app/features/FormatterServer.h"

#include "features/SignedIndex.h"

#include <nlohmann/json.hpp>

namespace FormatterTest {

namespace {

void writeIndex(const std::filesystem::path& server,
                const StoreTest::TestSigner& signer,
                const nlohmann::json& formatters)
{
    const nlohmann::json index = {
        {"format", 1}, {"generated", "2026-12-09T00:00:00Z"}, {"formatters", formatters}};
    const std::string document = index.dump(2);
    StoreTest::writeText(server / "index.json", document);
    StoreTest::writeText(server / "index.json.sig", signer.sign(document) + "\n");
}

} // namespace

void FormatterServer::publish(std::string_view formatBody, const std::string& version)
{
    publishScript("var prettier = { format(text, options) {" + std::string(formatBody)
                      + "} };\n"
                        "var prettierPlugins = {};\n",
                  version);
}

void FormatterServer::publishDamaged(const std::string& version)
{
    publishScript("throw new Error('damaged bundle');\n", version);
}

void FormatterServer::publishNothing()
{
    writeIndex(server(), m_signer, nlohmann::json::array());
}

void FormatterServer::publishScript(const std::string& script, const std::string& version)
{
    const auto archive = StoreTest::makeZip({{"standalone.js", script}});
    const std::string file = "prettier/prettier-" + version + ".zip";
    StoreTest::writeText(
        server() / file,
        std::string_view(reinterpret_cast<const char*>(archive.data()), archive.size()));
    writeIndex(server(),
               m_signer,
               nlohmann::json::array({{{"name", "prettier"},
                                       {"version", version},
                                       {"file", file},
                                       {"size", archive.size()},
                                       {"sha256", EditorFeatures::SignedIndex::sha256Hex(archive)},
                                       {"scripts", {"standalone.js"}}}}));
}

EditorFeatures::FormatterStore FormatterServer::store() const
{
    return EditorFeatures::FormatterStore(root(), url(), m_signer.publicKey());
}

} // namespace FormatterTest
