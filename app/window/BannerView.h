#pragma once

#include <QColor>
#include <QPalette>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QToolButton;

namespace EditorWindow {

// The coloured strip every band above the text is drawn on (banners, the find bar, the
// large-file progress). The colour is asked for at each paint, so a colour that depends on
// the palette follows a change of appearance without rebuilding the band.
class BandBackgroundView : public QWidget
{
    Q_OBJECT
public:
    using DynamicColor = std::function<QColor(const QPalette&)>;

    explicit BandBackgroundView(QWidget* parent = nullptr);

    // By default the window background.
    void setFillColor(DynamicColor color);
    QColor currentFillColor() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    DynamicColor m_fillColor;
};

// One keyed message band: an icon for its kind, the message, its action buttons in order and
// a close button. Its key, kind, message and buttons never change; a new text is a new banner
// under the same key (the window keeps one banner per key).
class BannerView : public BandBackgroundView
{
    Q_OBJECT
public:
    enum class Kind { info = 0, warning = 1, error = 2 };

    struct Action
    {
        QString title; // translated by the caller
        std::function<void()> run;
    };

    BannerView(QString key,
               Kind kind,
               const QString& message,
               std::vector<Action> actions,
               QWidget* parent = nullptr);

    const QString& key() const { return m_key; }
    Kind kind() const { return m_kind; }
    QString message() const;
    const std::vector<Action>& actions() const { return m_actions; }

    // What the close button does; it does not remove the banner by itself.
    std::function<void()> onClose;

    // The button of an action runs it; a tag outside the actions does nothing.
    void runAction(int tag);
    void closeBanner();

    QList<QPushButton*> actionButtons() const { return m_buttons; }
    QToolButton* closeButton() const { return m_closeButton; }
    QLabel* messageLabel() const { return m_message; }

    // The kind's colour (blue, orange, red) in the palette's appearance.
    static QColor kindColor(Kind kind, const QPalette& palette);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

private:
    QString m_key;
    Kind m_kind;
    std::vector<Action> m_actions;
    QLabel* m_message = nullptr;
    QList<QPushButton*> m_buttons;
    QToolButton* m_closeButton = nullptr;
};

} // namespace EditorWindow
