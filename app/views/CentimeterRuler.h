#pragma once

#include <QPointer>
#include <QWidget>

namespace EditorViews {

class EditorTextView;

// The horizontal measuring ruler above the text: centimetres counted from the text's left inset,
// scaled by the tab's zoom and moving with the horizontal scrolling.
class CentimeterRuler : public QWidget
{
    Q_OBJECT
public:
    static constexpr int thickness = 20;

    explicit CentimeterRuler(EditorTextView* editor);

    EditorTextView* editor() const { return m_editor; }
    // Pixels of one centimetre at the editor's zoom (from the screen's logical resolution).
    double pixelsPerCentimeter() const;
    // Where 0 cm lies, in this ruler's coordinates (the text's inset less the scrolling).
    double originX() const;
    QFont labelFont() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<EditorTextView> m_editor;
};

} // namespace EditorViews
