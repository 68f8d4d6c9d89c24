#include "app/window/DocumentContentView.h"

#include "app/window/StatusBarView.h"

#include <QEvent>
#include <QMouseEvent>

#include <algorithm>

namespace EditorWindow {
namespace {

// Lies over the sidebar's edge, above the sidebar and the body, so a drag there reaches the
// content view whichever child is under the pointer.
class GrabHandle : public QWidget
{
public:
    explicit GrabHandle(DocumentContentView* owner)
        : QWidget(owner)
        , m_owner(owner)
    {
        setCursor(Qt::SizeHorCursor);
        setAttribute(Qt::WA_NoSystemBackground);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (!m_owner->beginSidebarDrag(mapToParent(event->position().toPoint())))
            event->ignore();
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (m_owner->isResizingSidebar())
            m_owner->dragSidebar(mapToParent(event->position().toPoint()));
        else
            event->ignore();
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (m_owner->isResizingSidebar())
            m_owner->endSidebarDrag();
        else
            event->ignore();
    }

private:
    DocumentContentView* m_owner;
};

bool isShown(const QWidget* widget)
{
    return widget && !widget->isHidden();
}

} // namespace

DocumentContentView::DocumentContentView(QWidget* body, StatusBarView* statusBar, QWidget* parent)
    : QWidget(parent)
    , m_body(body)
    , m_statusBar(statusBar)
{
    resize(820, 560);
    m_body->setParent(this);
    m_statusBar->setParent(this);
    m_grabHandle = new GrabHandle(this);
    m_grabHandle->hide();
}

void DocumentContentView::setBands(const std::vector<QWidget*>& bands)
{
    for (const auto& old : m_bands) {
        if (old && old->parentWidget() == this
            && std::find(bands.begin(), bands.end(), old.data()) == bands.end()) {
            old->hide();
            old->setParent(nullptr);
        }
    }
    m_bands.clear();
    for (QWidget* band : bands) {
        if (!band)
            continue;
        if (band->parentWidget() != this) {
            // A band its owner hid stays hidden (and takes no room) until it is shown.
            const bool hidden =
                band->isHidden() && band->testAttribute(Qt::WA_WState_ExplicitShowHide);
            band->setParent(this);
            band->setVisible(!hidden);
        }
        m_bands.emplace_back(band);
    }
    layoutContent();
}

void DocumentContentView::setBodyCover(QWidget* cover)
{
    if (m_cover && m_cover != cover && m_cover->parentWidget() == this) {
        m_cover->hide();
        m_cover->setParent(nullptr);
    }
    m_cover = cover;
    if (cover) {
        cover->setParent(this);
        cover->show();
    }
    m_body->setVisible(!cover);
    layoutContent();
}

void DocumentContentView::setSidebar(QWidget* sidebar)
{
    if (sidebar != m_sidebar && m_sidebar && m_sidebar->parentWidget() == this) {
        m_sidebar->hide();
        m_sidebar->setParent(nullptr);
    }
    m_sidebar = sidebar;
    if (sidebar && sidebar->parentWidget() != this) {
        const bool hidden =
            sidebar->isHidden() && sidebar->testAttribute(Qt::WA_WState_ExplicitShowHide);
        sidebar->setParent(this);
        sidebar->setVisible(!hidden);
    }
    layoutContent();
}

int DocumentContentView::fittingHeight(QWidget* band, int width)
{
    if (band->hasHeightForWidth())
        return std::max(0, band->heightForWidth(width));
    return std::max(0, band->sizeHint().height());
}

void DocumentContentView::layoutContent()
{
    // Computed bottom-up (y grows upwards from the bottom edge), then turned into the
    // widgets' top-down geometry.
    const int width = this->width();
    const int height = this->height();
    auto place = [height](QWidget* widget, double x, double y, double w, double h) {
        widget->setGeometry(static_cast<int>(x),
                            static_cast<int>(height - y - h),
                            static_cast<int>(std::max(0.0, w)),
                            static_cast<int>(std::max(0.0, h)));
    };

    const int statusHeight = m_statusBar->isHidden() ? 0 : statusBarHeight;
    place(m_statusBar, 0, 0, width, statusHeight);
    double top = height;

    for (const auto& band : m_bands) {
        auto* rows = dynamic_cast<RowBand*>(band.data());
        if (!rows || !isShown(band))
            continue;
        double bandHeight = rows->rowsForWidth(width) * rowHeight - 6 + 5 + 5;
        top -= bandHeight;
        place(band, 0, top, width, bandHeight);
    }

    double sidebar = 0;
    if (isShown(m_sidebar)) {
        sidebar = std::min(std::max(sidebarWidth, minimumSidebarWidth),
                           std::max(width - bodyReserve, minimumSidebarWidth));
        place(m_sidebar, 0, statusHeight, sidebar, std::max(top - statusHeight, 0.0));
    }

    for (const auto& band : m_bands) {
        if (!isShown(band) || dynamic_cast<RowBand*>(band.data()))
            continue;
        double bandHeight = fittingHeight(band, static_cast<int>(width - sidebar));
        top -= bandHeight;
        place(band, sidebar, top, width - sidebar, bandHeight);
    }

    place(m_body, sidebar, statusHeight, width - sidebar, std::max(top - statusHeight, 0.0));
    if (m_cover)
        m_cover->setGeometry(m_body->geometry());

    QRect zone = dividerGrabZone();
    m_grabHandle->setVisible(!zone.isEmpty());
    if (!zone.isEmpty()) {
        m_grabHandle->setGeometry(zone);
        m_grabHandle->raise();
    }
}

QRect DocumentContentView::dividerGrabZone() const
{
    if (!isShown(m_sidebar))
        return {};
    QRect frame = m_sidebar->geometry();
    return {frame.right() + 1 - 3, frame.top(), 6, frame.height()};
}

bool DocumentContentView::beginSidebarDrag(QPoint point)
{
    m_resizing = dividerGrabZone().contains(point);
    return m_resizing;
}

void DocumentContentView::dragSidebar(QPoint point)
{
    if (!m_resizing)
        return;
    sidebarWidth = std::clamp<double>(point.x(), minimumSidebarWidth, maximumDraggedSidebarWidth);
    layoutContent();
}

void DocumentContentView::endSidebarDrag()
{
    if (!m_resizing)
        return;
    m_resizing = false;
    if (onSidebarResize)
        onSidebarResize(sidebarWidth);
}

void DocumentContentView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutContent();
}

bool DocumentContentView::event(QEvent* event)
{
    // A band or the status bar shown or hidden asks for a new layout.
    if (event->type() == QEvent::LayoutRequest)
        layoutContent();
    return QWidget::event(event);
}

} // namespace EditorWindow
