#pragma once

#include "core/LineIndex.h"

#include <QFont>
#include <QPointer>
#include <QWidget>

namespace EditorViews {

class EditorTextView;

// The line-number gutter left of the text. Its numbers come from the editor's line index.
class LineNumberRuler : public QWidget
{
    Q_OBJECT
public:
    explicit LineNumberRuler(EditorTextView* editor);

    EditorTextView* editor() const { return m_editor; }
    QFont labelFont() const;
    double ruleThickness() const { return m_thickness; }
    // Recomputes the thickness from the digits of the line count and the label font; call it
    // whenever the text or the font may have changed either.
    void updateThickness();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<EditorTextView> m_editor;
    double m_thickness = 0.0;
};

} // namespace EditorViews
