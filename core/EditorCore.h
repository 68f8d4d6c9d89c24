#pragma once

#include <string_view>

namespace EditorCore {

inline constexpr std::string_view version = "0.1.0";

} // namespace EditorCore
