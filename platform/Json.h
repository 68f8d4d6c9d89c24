#pragma once

#include "core/Result.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace Platform {

enum class JsonStyle { compact, pretty };

enum class JsonWriteError {
    nonFiniteNumber,  // JSON has no NaN or infinity
    invalidUtf8,      // a string or key that is not UTF-8
    unsupportedValue, // binary data or a discarded value
    tooDeep,
};

// Our files' JSON form: keys sorted by their UTF-8 bytes, every "/" in a string written as
// "\/", integral doubles keep a ".0" so they read back as doubles. The pretty form indents by
// two spaces and separates a key from its value by " : ". The text is UTF-8 without a final
// line feed.
[[nodiscard]] EditorCore::Result<std::string, JsonWriteError> writeJson(const nlohmann::json& value,
                                                                        JsonStyle style);

// Parses without exceptions; none for anything that is not exactly one JSON value in UTF-8.
[[nodiscard]] std::optional<nlohmann::json> parseJson(std::string_view text);

} // namespace Platform
