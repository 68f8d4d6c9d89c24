#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>

#include <functional>
#include <vector>

namespace EditorWindow {

class StatusBarView;

// A band whose height follows from the number of rows it needs for a width (the tool band).
// Such a band spans the whole window width, above the folder sidebar.
class RowBand
{
public:
    virtual ~RowBand() = default;
    virtual int rowsForWidth(int width) const = 0;
};

// The content of every document window. From the bottom up: the status bar, the body (the
// text and the preview), the bands above the body (tool band, progress, banners, find bar),
// and on the left the folder sidebar, whose right edge the user drags to resize it. Every
// frame is computed here.
class DocumentContentView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int statusBarHeight = 24;
    static constexpr int rowHeight = 30;
    static constexpr double defaultSidebarWidth = 240.0;
    static constexpr double minimumSidebarWidth = 150.0;
    static constexpr double maximumDraggedSidebarWidth = 600.0;
    // The body keeps at least this much beside a sidebar, unless the sidebar is at its minimum.
    static constexpr double bodyReserve = 300.0;

    DocumentContentView(QWidget* body, StatusBarView* statusBar, QWidget* parent = nullptr);

    QWidget* body() const { return m_body; }
    StatusBarView* statusBar() const { return m_statusBar; }

    // Top first. Old bands not in the list leave the view (they are not deleted); new ones
    // become children.
    void setBands(const std::vector<QWidget*>& bands);
    const std::vector<QPointer<QWidget>>& bands() const { return m_bands; }
    // A view shown in the body's place while the body is hidden (the hex view); null: the
    // body again. The cover is not deleted here.
    void setBodyCover(QWidget* cover);
    QWidget* bodyCover() const { return m_cover; }
    void setSidebar(QWidget* sidebar);
    QWidget* sidebar() const { return m_sidebar; }

    double sidebarWidth = defaultSidebarWidth;
    // Told once, when a drag of the sidebar's edge ends.
    std::function<void(double)> onSidebarResize;

    // Lays every child out for the current size (also done on every resize).
    void layoutContent();
    // The strip over the sidebar's right edge where a drag starts; empty without a visible
    // sidebar.
    QRect dividerGrabZone() const;

    // The drag, in this view's coordinates (the grab handle forwards its mouse events here).
    bool beginSidebarDrag(QPoint point);
    void dragSidebar(QPoint point);
    void endSidebarDrag();
    bool isResizingSidebar() const { return m_resizing; }

    // A height for a band that is not a row band.
    static int fittingHeight(QWidget* band, int width);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    QWidget* m_body;
    StatusBarView* m_statusBar;
    std::vector<QPointer<QWidget>> m_bands;
    QPointer<QWidget> m_sidebar;
    QPointer<QWidget> m_cover;
    QWidget* m_grabHandle = nullptr;
    bool m_resizing = false;
};

} // namespace EditorWindow
