#pragma once

#include <QColor>
#include <QIcon>

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

} // namespace Symbols

} // namespace EditorKit
