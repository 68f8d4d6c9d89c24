#pragma once

#include <QColor>
#include <QWidget>

namespace EditorSettings {

// A small rounded frame around a sample, in the text background and separator colours of the
// current palette (so it follows light and dark themes). The content sits 10 from the left
// and 8 from the top and bottom; the box is never narrower than its minimum width.
class PreviewBox : public QWidget
{
    Q_OBJECT

public:
    // Takes over `content`.
    PreviewBox(QWidget* content, int minimumWidth, QWidget* parent = nullptr);

    QWidget* content() const { return m_content; }

    // The colours it draws with now.
    QColor backgroundColor() const;
    QColor borderColor() const;

    static constexpr int cornerRadius = 6;
    static constexpr int horizontalInset = 10;
    static constexpr int verticalInset = 8;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QWidget* m_content;
};

} // namespace EditorSettings
