#include "tests/features/StoreTestSupport.h"

#include <algorithm>
#include <archive.h>
#include <archive_entry.h>
#include <arpa/inet.h>
#include <cctype>
#include <chrono>
#include <fstream>
#include <iterator>
#include <netinet/in.h>
#include <poll.h>
#include <sodium.h>
#include <stdexcept>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace StoreTest {

std::vector<std::uint8_t> bytes(std::string_view text)
{
    return {text.begin(), text.end()};
}

std::string readText(const fs::path& path)
{
    std::ifstream stream(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

void writeText(const fs::path& path, std::string_view text)
{
    fs::create_directories(path.parent_path());
    std::ofstream stream(path, std::ios::binary | std::ios::trunc);
    stream.write(text.data(), static_cast<std::streamsize>(text.size()));
}

std::vector<std::string> listing(const fs::path& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string fileURL(const fs::path& folder)
{
    auto text = folder.string();
    if (!text.ends_with('/'))
        text += '/';
    return "file://" + text;
}

TemporaryFolder::TemporaryFolder()
{
    std::string pattern = (fs::temp_directory_path() / "olv-store-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp");
    m_path = pattern;
}

TemporaryFolder::~TemporaryFolder()
{
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

TestSigner::TestSigner()
{
    if (sodium_init() < 0)
        throw std::runtime_error("sodium_init");
    crypto_sign_keypair(m_public, m_secret);
}

TestSigner::~TestSigner()
{
    sodium_memzero(m_secret, sizeof m_secret);
}

namespace {

std::string base64(const std::uint8_t* data, std::size_t size)
{
    std::string text(sodium_base64_ENCODED_LEN(size, sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(text.data(), text.size(), data, size, sodium_base64_VARIANT_ORIGINAL);
    text.resize(text.find('\0'));
    return text;
}

} // namespace

std::string TestSigner::publicKey() const
{
    return base64(m_public, sizeof m_public);
}

std::string TestSigner::sign(std::string_view document) const
{
    std::uint8_t signature[crypto_sign_BYTES];
    crypto_sign_detached(signature,
                         nullptr,
                         reinterpret_cast<const std::uint8_t*>(document.data()),
                         document.size(),
                         m_secret);
    return base64(signature, sizeof signature);
}

std::vector<std::uint8_t> makeZip(const std::vector<ZipMember>& members)
{
    std::vector<std::uint8_t> buffer(1 << 20);
    std::size_t used = 0;
    // The buffer grows until the archive fits.
    while (true) {
        archive* writer = archive_write_new();
        archive_write_set_format_zip(writer);
        if (archive_write_open_memory(writer, buffer.data(), buffer.size(), &used) != ARCHIVE_OK)
            throw std::runtime_error(archive_error_string(writer));
        bool fits = true;
        for (const auto& member : members) {
            archive_entry* entry = archive_entry_new();
            archive_entry_set_pathname(entry, member.name.c_str());
            switch (member.kind) {
            case ZipMember::Kind::file:
                archive_entry_set_filetype(entry, AE_IFREG);
                archive_entry_set_perm(entry, 0644);
                archive_entry_set_size(entry, static_cast<la_int64_t>(member.data.size()));
                break;
            case ZipMember::Kind::folder:
                archive_entry_set_filetype(entry, AE_IFDIR);
                archive_entry_set_perm(entry, 0755);
                break;
            case ZipMember::Kind::symlink:
                archive_entry_set_filetype(entry, AE_IFLNK);
                archive_entry_set_perm(entry, 0777);
                archive_entry_set_symlink(entry, member.target.c_str());
                break;
            }
            if (archive_write_header(writer, entry) != ARCHIVE_OK)
                fits = false;
            if (fits && member.kind == ZipMember::Kind::file && !member.data.empty()
                && archive_write_data(writer, member.data.data(), member.data.size()) < 0)
                fits = false;
            archive_entry_free(entry);
            if (!fits)
                break;
        }
        if (fits && archive_write_close(writer) != ARCHIVE_OK)
            fits = false;
        archive_write_free(writer);
        if (fits) {
            buffer.resize(used);
            return buffer;
        }
        if (buffer.size() > (64u << 20))
            throw std::runtime_error("zip too large");
        buffer.resize(buffer.size() * 4);
    }
}

LoopbackServer::LoopbackServer(fs::path folder)
    : m_folder(std::move(folder))
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listener < 0)
        throw std::runtime_error("socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::listen(m_listener, 16) != 0)
        throw std::runtime_error("bind");
    socklen_t length = sizeof address;
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

LoopbackServer::~LoopbackServer()
{
    m_stop = true;
    m_thread.join();
    ::close(m_listener);
}

std::string LoopbackServer::url(std::string_view path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + "/" + std::string(path);
}

void LoopbackServer::setStatus(const std::string& path, int status)
{
    std::lock_guard lock(m_mutex);
    m_statuses[path] = status;
}

std::vector<LoopbackServer::Request> LoopbackServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void LoopbackServer::serve()
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    int served = 0;
    while (!m_stop && served < 200 && std::chrono::steady_clock::now() < deadline) {
        pollfd waiting{m_listener, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0)
            continue;
        int connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            continue;
        ++served;
        answer(connection);
        ::close(connection);
    }
}

namespace {

bool sendAll(int connection, std::string_view data)
{
    while (!data.empty()) {
        auto sent = ::send(connection, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        data.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

std::string percentDecoded(std::string_view text)
{
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            result += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            result += text[i];
        }
    }
    return result;
}

} // namespace

void LoopbackServer::answer(int connection)
{
    std::string request;
    char chunk[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        pollfd readable{connection, POLLIN, 0};
        if (::poll(&readable, 1, 2000) <= 0)
            return;
        auto received = ::recv(connection, chunk, sizeof chunk, 0);
        if (received <= 0)
            return;
        request.append(chunk, static_cast<std::size_t>(received));
    }
    auto lineEnd = request.find("\r\n");
    auto line = request.substr(0, lineEnd);
    auto firstSpace = line.find(' ');
    auto secondSpace = line.find(' ', firstSpace + 1);
    if (firstSpace == std::string::npos || secondSpace == std::string::npos)
        return;
    auto target = line.substr(firstSpace + 1, secondSpace - firstSpace - 1);
    auto path = percentDecoded(target.substr(1, target.find('?') - 1));

    std::string userAgent;
    for (std::size_t start = lineEnd + 2; start < request.size();) {
        auto end = request.find("\r\n", start);
        auto header = request.substr(start, end - start);
        if (header.empty())
            break;
        std::string lower;
        for (char c : header.substr(0, header.find(':')))
            lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower == "user-agent")
            userAgent = header.substr(header.find(':') + 2);
        start = end + 2;
    }

    int status = 200;
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back({path, userAgent});
        if (auto found = m_statuses.find(path); found != m_statuses.end())
            status = found->second;
    }
    std::string body;
    if (status == 200) {
        std::error_code error;
        auto file = m_folder / path;
        if (path.find("..") != std::string::npos || !fs::is_regular_file(file, error))
            status = 404;
        else
            body = readText(file);
    }
    std::string head = "HTTP/1.0 " + std::to_string(status) + (status == 200 ? " OK" : " Error")
                       + "\r\nContent-Length: " + std::to_string(body.size())
                       + "\r\nConnection: close\r\n\r\n";
    if (sendAll(connection, head))
        sendAll(connection, body);
}

} // namespace StoreTest
