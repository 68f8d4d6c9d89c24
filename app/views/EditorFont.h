#pragma once

#include <QFont>
#include <QString>

#include <optional>

namespace EditorViews {

// The three font settings ("view.font.name", "view.font.size", "view.lineSpacing") as the
// caller read them; the defaults are the settings' defaults.
struct EditorFontSettings
{
    QString fontName = QStringLiteral("D2Coding");
    double fontSize = 13.0;
    double lineSpacing = 1.4;
};

inline const QString defaultEditorFontFamily = QStringLiteral("D2Coding");

// Sizes are in device-independent pixels (the unit of every other editor measurement), so the
// editor looks the same whatever the screen's dots per inch; the size is a whole number.
QFont editorFont(const std::optional<QString>& family,
                 std::optional<double> size,
                 double zoom,
                 const EditorFontSettings& settings = {},
                 const QString& fallbackFamily = defaultEditorFontFamily);

// What a paragraph style gives a line of editor text: its height and the tab interval.
struct EditorParagraphStyle
{
    double lineHeightMultiple = 1.0;
    double defaultTabInterval = 0.0;
    // The font's natural line height times the multiple: line spacing times the font size.
    double lineHeight = 0.0;
    bool operator==(const EditorParagraphStyle&) const = default;
};

EditorParagraphStyle editorParagraphStyle(const QFont& font,
                                          int tabWidth,
                                          std::optional<double> lineSpacing,
                                          const EditorFontSettings& settings = {});

} // namespace EditorViews
