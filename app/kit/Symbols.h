#pragma once

#include <QColor>
#include <QIcon>
#include <QPalette>

#include <string_view>

namespace EditorKit {

// The small line icons the interface draws, named as the command catalog names its symbols
// ("magnifyingglass", "list.number"), plus "questionmark", "ellipsis" and "pin". They ship as
// resources of their own, so nothing depends on the desktop's icon theme.
namespace Symbols {

bool has(std::string_view name);

// The icon drawn in `color`, for 16-point buttons (sharp on high-density screens too); a
// null icon when there is no such symbol.
QIcon icon(std::string_view name, const QColor& color);

// The icon drawn in the application palette's colour for `role` at the moment it is drawn, so
// it follows every theme change without being made again (disabled: the disabled group's).
QIcon icon(std::string_view name, QPalette::ColorRole role);

} // namespace Symbols

} // namespace EditorKit
