#pragma once

#include "core/Indentation.h"

#include <nlohmann/json_fwd.hpp>
#include <optional>

namespace EditorCore {

// {"usesTabs": Boolean, "width": integer}.
nlohmann::json encodeJSON(const IndentStyle&);

// Requires both keys with their types and keeps the values as stored (no clamp), so a restored
// document shows the width it had; the indentation operations clamp when they use it.
std::optional<IndentStyle> decodeIndentStyle(const nlohmann::json&);

} // namespace EditorCore
