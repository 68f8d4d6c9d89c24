#pragma once

#include "core/Result.h"
#include "features/StoreFailure.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace EditorFeatures {

// How the download stores fetch their files: http, https and file URLs.
namespace DownloadTransport {

using Bytes = std::vector<std::uint8_t>;
// URL in, body out; a failure is a `StoreFailure` (normally `download`). Called from
// background threads, so a replacement must be safe to call from several at once.
using Fetch = std::function<EditorCore::Result<Bytes, StoreFailure>(const std::string& url)>;

// A plain GET with "User-Agent: OrluneViewer", no cache and a 30 s time-out for connecting
// and for a transfer that stalls. An HTTP status other than 200 is `download` with "HTTP "
// and the status; a file URL has no status and yields the file. Any other error is `download`
// with the transport's description. Redirects are followed to http and https only.
[[nodiscard]] EditorCore::Result<Bytes, StoreFailure> defaultFetch(const std::string& url);

// The URL of a path relative to a base URL, as a path component appended to it: a "/" is put
// between them when the base lacks one, and characters that a URL path cannot hold are
// percent-encoded ("a b.zip" becomes "a%20b.zip").
std::string appending(std::string_view baseURL, std::string_view relativePath);

// `relativePath` below `baseURL` through `fetch`; `download` when there is no transport.
[[nodiscard]] EditorCore::Result<Bytes, StoreFailure>
fetchRelative(const Fetch& fetch, std::string_view baseURL, std::string_view relativePath);

// A store's "index.json" and its signature file "index.json.sig", fetched in that order (the
// signature only once the index came); verifying them is the store's own index type's job.
struct SignedDocument
{
    Bytes document;
    std::string signature;
};
[[nodiscard]] EditorCore::Result<SignedDocument, StoreFailure>
fetchSignedIndex(const Fetch& fetch, std::string_view baseURL);

} // namespace DownloadTransport

} // namespace EditorFeatures
