#include "features/DownloadTransport.h"

#include <curl/curl.h>
#include <memory>
#include <mutex>

namespace EditorFeatures::DownloadTransport {
namespace {

constexpr long timeoutSeconds = 30;

void initialiseCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::size_t appendBody(char* data, std::size_t size, std::size_t count, void* target)
{
    auto* body = static_cast<Bytes*>(target);
    body->insert(body->end(),
                 reinterpret_cast<const std::uint8_t*>(data),
                 reinterpret_cast<const std::uint8_t*>(data) + size * count);
    return size * count;
}

bool keepsInPath(unsigned char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return std::string_view("-._~/!$&'()*+,;=:@").find(static_cast<char>(c))
           != std::string_view::npos;
}

} // namespace

EditorCore::Result<Bytes, StoreFailure> defaultFetch(const std::string& url)
{
    using EditorCore::failure;
    initialiseCurl();
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(curl_easy_init(),
                                                               &curl_easy_cleanup);
    if (!handle)
        return failure(StoreFailure::download("curl_easy_init"));
    CURL* curl = handle.get();

    Bytes body;
    char errorText[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https,file");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "OrluneViewer");
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    // The time-out is an idle one: a large archive on a slow line may take longer than 30 s
    // as long as bytes keep arriving.
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, timeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, timeoutSeconds);
    // Signals would reach other threads of the application.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &appendBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);

    CURLcode code = curl_easy_perform(curl);
    if (code != CURLE_OK) {
        std::string text = errorText[0] ? errorText : curl_easy_strerror(code);
        return failure(StoreFailure::download(std::move(text)));
    }
    char* scheme = nullptr;
    curl_easy_getinfo(curl, CURLINFO_SCHEME, &scheme);
    std::string_view schemeText = scheme ? scheme : "";
    if (schemeText == "HTTP" || schemeText == "HTTPS" || schemeText == "http"
        || schemeText == "https") {
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        if (status != 200)
            return failure(StoreFailure::download("HTTP " + std::to_string(status)));
    }
    return body;
}

std::string appending(std::string_view baseURL, std::string_view relativePath)
{
    std::string url(baseURL);
    if (!url.ends_with('/'))
        url += '/';
    constexpr char digits[] = "0123456789ABCDEF";
    for (char c : relativePath) {
        auto byte = static_cast<unsigned char>(c);
        if (keepsInPath(byte)) {
            url += c;
        } else {
            url += '%';
            url += digits[byte >> 4];
            url += digits[byte & 0xF];
        }
    }
    return url;
}

EditorCore::Result<Bytes, StoreFailure>
fetchRelative(const Fetch& fetch, std::string_view baseURL, std::string_view relativePath)
{
    if (!fetch)
        return EditorCore::failure(StoreFailure::download("no transport"));
    return fetch(appending(baseURL, relativePath));
}

EditorCore::Result<SignedDocument, StoreFailure> fetchSignedIndex(const Fetch& fetch,
                                                                  std::string_view baseURL)
{
    auto document = fetchRelative(fetch, baseURL, "index.json");
    if (!document)
        return EditorCore::failure(document.error());
    auto signature = fetchRelative(fetch, baseURL, "index.json.sig");
    if (!signature)
        return EditorCore::failure(signature.error());
    // Invalid UTF-8 in the signature file cannot be Base64 either: verification refuses it.
    return SignedDocument{std::move(*document), std::string(signature->begin(), signature->end())};
}

} // namespace EditorFeatures::DownloadTransport
