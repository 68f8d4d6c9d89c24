#include "core/IndentStyleJSON.h"

#include <limits>
#include <nlohmann/json.hpp>

namespace EditorCore {

nlohmann::json encodeJSON(const IndentStyle& style)
{
    return nlohmann::json{{"usesTabs", style.usesTabs}, {"width", style.width}};
}

std::optional<IndentStyle> decodeIndentStyle(const nlohmann::json& value)
{
    if (!value.is_object())
        return std::nullopt;
    const auto usesTabs = value.find("usesTabs");
    const auto width = value.find("width");
    if (usesTabs == value.end() || width == value.end() || !usesTabs->is_boolean())
        return std::nullopt;

    std::int64_t stored = 0;
    if (width->is_number_unsigned()) {
        const auto number = width->get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<int>::max()))
            return std::nullopt;
        stored = static_cast<std::int64_t>(number);
    } else if (width->is_number_integer()) {
        stored = width->get<std::int64_t>();
    } else {
        return std::nullopt;
    }
    if (stored < std::numeric_limits<int>::min() || stored > std::numeric_limits<int>::max())
        return std::nullopt;

    IndentStyle style(usesTabs->get<bool>(), IndentStyle::minimumWidth);
    style.width = static_cast<int>(stored);
    return style;
}

} // namespace EditorCore
