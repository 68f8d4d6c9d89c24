#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace StoreTest {

std::vector<std::uint8_t> bytes(std::string_view text);
std::string readText(const std::filesystem::path&);
void writeText(const std::filesystem::path&, std::string_view text);
// Entry names of a folder, sorted.
std::vector<std::string> listing(const std::filesystem::path& folder);
// "file://" + the path, percent-encoding nothing (test folders hold plain names).
std::string fileURL(const std::filesystem::path& folder);

// A fresh folder below the temporary folder, removed with everything in it.
class TemporaryFolder
{
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// An Ed25519 key pair made for one test.
class TestSigner
{
public:
    TestSigner();
    ~TestSigner();
    std::string publicKey() const;
    // Standard Base64 of the detached signature.
    std::string sign(std::string_view document) const;

private:
    std::uint8_t m_public[32];
    std::uint8_t m_secret[64];
};

struct ZipMember
{
    enum class Kind { file, folder, symlink };
    ZipMember(std::string name_,
              std::string data_ = "",
              Kind kind_ = Kind::file,
              std::string target_ = "")
        : name(std::move(name_))
        , data(std::move(data_))
        , kind(kind_)
        , target(std::move(target_))
    {}
    std::string name;
    std::string data;
    Kind kind = Kind::file;
    // The link's target, for symbolic links.
    std::string target;
};

// A ZIP archive written by libarchive, member by member and name by name as given.
std::vector<std::uint8_t> makeZip(const std::vector<ZipMember>&);

// An HTTP/1.0 server on 127.0.0.1 serving the files of a folder to GET requests, one
// connection at a time. It serves only while the object lives, and at most for two minutes
// and 200 connections, after which its thread ends by itself.
class LoopbackServer
{
public:
    struct Request
    {
        std::string path;
        std::string userAgent;
    };

    explicit LoopbackServer(std::filesystem::path folder);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // "http://127.0.0.1:<port>/" followed by `path`.
    std::string url(std::string_view path = "") const;
    // Answers requests for `path` with `status` and an empty body.
    void setStatus(const std::string& path, int status);
    std::vector<Request> requests() const;

private:
    void serve();
    void answer(int connection);

    std::filesystem::path m_folder;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::map<std::string, int> m_statuses;
    std::vector<Request> m_requests;
    std::thread m_thread;
};

} // namespace StoreTest
