#pragma once

#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <ostream>

class QHBoxLayout;
class QPushButton;

namespace EditorWindow {

// The strip at the bottom of a document window. Passive: the window computes a Content and
// hands it to `update`; clicks come back through the two closures.
class StatusBarView : public QWidget
{
    Q_OBJECT
public:
    // The raw value is the button's tag.
    enum class Segment {
        position = 0,
        encoding = 1,
        lineEnding = 2,
        indentation = 3,
        language = 4,
        problems = 5,
        suspicious = 6,
        follow = 7,
        readOnly = 8,
    };
    static constexpr std::array<Segment, 9> allSegments = {
        Segment::position,
        Segment::encoding,
        Segment::lineEnding,
        Segment::indentation,
        Segment::language,
        Segment::problems,
        Segment::suspicious,
        Segment::follow,
        Segment::readOnly,
    };
    static std::optional<Segment> segmentFromTag(int tag);

    // Complete texts made by the window; the view adds only its prefixes and colours. An
    // absent optional hides its segment.
    struct Content
    {
        QString position;
        QString encoding;
        QString lineEnding;
        bool lineEndingWarning = false;
        QString indentation;
        QString language;
        std::optional<QString> problems;
        std::optional<QString> suspicious;
        std::optional<QString> follow;
        bool following = false;
        std::optional<QString> readOnly;
        std::optional<QString> path;

        bool operator==(const Content&) const = default;
    };

    explicit StatusBarView(QWidget* parent = nullptr);

    // Shows the content; the view's own repaint requests stay available as well.
    void update(const Content& content);
    using QWidget::update;
    const Content& content() const { return m_content; }

    std::function<void()> onPathClick;
    // Not run for the position and read-only segments.
    std::function<void(Segment, QPushButton*)> onClick;

    QPushButton* button(Segment segment) const;
    QPushButton* pathButton() const { return m_pathButton; }
    // The button's foreground colour as last shown.
    QColor titleColor(Segment segment) const;

    void clicked(QPushButton* sender);
    void pathClicked();

    QSize sizeHint() const override;

protected:
    // A theme change recolours the titles, their symbols and the path at once.
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void elidePath();
    void stylePath();

    QHBoxLayout* m_stack = nullptr;
    std::map<Segment, QPushButton*> m_buttons;
    QPushButton* m_pathButton = nullptr;
    QString m_fullPath;
    Content m_content;
};

std::ostream& operator<<(std::ostream&, const StatusBarView::Content&);

} // namespace EditorWindow
