#pragma once

#include "platform/Json.h"

#include <system_error>
#include <type_traits>

// Lets a JSON writing failure travel as a std::error_code beside the file errors of the same
// operation, so callers log one kind of error.
namespace Platform {

const std::error_category& jsonWriteCategory();
std::error_code make_error_code(JsonWriteError error);

} // namespace Platform

template<>
struct std::is_error_code_enum<Platform::JsonWriteError> : std::true_type
{};
