#include "app/views/HexView.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace EditorViews {

std::size_t HexDataSource::read(std::uint64_t offset, std::span<std::uint8_t> into)
{
    if (offset >= m_bytes.size())
        return 0;
    const std::size_t count =
        static_cast<std::size_t>(std::min<std::uint64_t>(into.size(), m_bytes.size() - offset));
    std::memcpy(into.data(), m_bytes.data() + offset, count);
    return count;
}

std::unique_ptr<HexFileSource> HexFileSource::open(const std::filesystem::path& path,
                                                   std::error_code& error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::error_code(errno, std::generic_category());
        return nullptr;
    }
    error.clear();
    return std::unique_ptr<HexFileSource>(new HexFileSource(fd));
}

HexFileSource::~HexFileSource()
{
    if (m_fd >= 0)
        (void)::close(m_fd);
}

std::uint64_t HexFileSource::size()
{
    struct stat status
    {};
    if (::fstat(m_fd, &status) != 0 || status.st_size < 0)
        return 0;
    return static_cast<std::uint64_t>(status.st_size);
}

std::size_t HexFileSource::read(std::uint64_t offset, std::span<std::uint8_t> into)
{
    std::size_t done = 0;
    while (done < into.size()) {
        const ssize_t got = ::pread(
            m_fd, into.data() + done, into.size() - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

namespace {

QFont hexFont()
{
    QFont font(QStringLiteral("D2Coding"));
    font.setPointSizeF(13);
    if (QFontInfo(font).family() == QLatin1String("D2Coding"))
        return font;
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSizeF(12.5);
    fixed.setWeight(QFont::Normal);
    return fixed;
}

constexpr int hexColumn = 10;
constexpr int asciiColumn = 61;
constexpr int columns = 77;

} // namespace

HexView::HexView(QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_font(hexFont())
{
    setObjectName(QStringLiteral("hexView"));
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);
    const QFontMetricsF metrics(m_font);
    m_lineHeight = std::ceil(metrics.ascent() + metrics.descent() + metrics.leading() + 4);
    m_charWidth = std::max(1.0, metrics.horizontalAdvance(QLatin1Char('0')));
    updateScrollBars();
}

HexView::~HexView() = default;

void HexView::setSource(std::unique_ptr<HexByteSource> source)
{
    m_source = std::move(source);
    m_size = m_source ? m_source->size() : 0;
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    updateScrollBars();
    viewport()->update();
}

std::int64_t HexView::rowCount() const
{
    return std::max<std::int64_t>(
        1, static_cast<std::int64_t>((m_size + bytesPerRow - 1) / bytesPerRow));
}

QSizeF HexView::contentSize(QSizeF visible) const
{
    return {std::max(visible.width(), m_charWidth * columns + 2 * padding),
            std::max(visible.height(), m_lineHeight * static_cast<double>(rowCount()) + 2 * padding)};
}

HexView::RowTexts HexView::rowTexts(std::uint64_t rowOffset, std::span<const std::uint8_t> bytes)
{
    RowTexts texts;
    texts.offset = QStringLiteral("%1").arg(rowOffset, 8, 16, QLatin1Char('0')).toUpper();
    static const char digits[] = "0123456789ABCDEF";
    const std::size_t count = std::min<std::size_t>(bytes.size(), bytesPerRow);
    texts.hex.reserve(static_cast<qsizetype>(count * 3 + 1));
    texts.ascii.reserve(static_cast<qsizetype>(count));
    for (std::size_t j = 0; j < count; ++j) {
        const std::uint8_t byte = bytes[j];
        texts.hex += QLatin1Char(digits[byte >> 4]);
        texts.hex += QLatin1Char(digits[byte & 0xF]);
        texts.hex += QLatin1Char(' ');
        if (j == 7)
            texts.hex += QLatin1Char(' ');
        texts.ascii += byte >= 32 && byte <= 126 ? QLatin1Char(static_cast<char>(byte))
                                                 : QLatin1Char('.');
    }
    return texts;
}

std::pair<std::int64_t, std::int64_t> HexView::rowsIn(QRectF area) const
{
    const auto rows = static_cast<std::int64_t>((m_size + bytesPerRow - 1) / bytesPerRow);
    const auto first =
        std::max<std::int64_t>(0, static_cast<std::int64_t>((area.top() - padding) / m_lineHeight));
    const auto last = std::min<std::int64_t>(
        static_cast<std::int64_t>((area.bottom() - padding) / m_lineHeight) + 1, rows - 1);
    return {first, last};
}

std::int64_t HexView::drawRows(QPainter& painter, QRectF area, QPointF scroll)
{
    const QPalette& colors = palette();
    painter.fillRect(area.translated(-scroll), colors.color(QPalette::Base));
    if (!m_source || m_size == 0)
        return 0;
    const auto [first, last] = rowsIn(area);
    if (last < first)
        return 0;
    const std::uint64_t from = static_cast<std::uint64_t>(first) * bytesPerRow;
    m_buffer.resize(static_cast<std::size_t>(last - first + 1) * bytesPerRow);
    // A file that shrank since the last look has fewer rows: those that are gone stay blank.
    const std::size_t got = m_source->read(from, m_buffer);
    const std::int64_t rows = static_cast<std::int64_t>((got + bytesPerRow - 1) / bytesPerRow);

    QColor tertiary = colors.color(QPalette::PlaceholderText);
    QColor label = colors.color(QPalette::Text);
    QColor secondary = label;
    secondary.setAlphaF(0.55);
    painter.setFont(m_font);
    const double ascent = QFontMetricsF(m_font).ascent();
    for (std::int64_t r = 0; r < rows; ++r) {
        const std::size_t start = static_cast<std::size_t>(r) * bytesPerRow;
        const std::size_t count = std::min<std::size_t>(bytesPerRow, got - start);
        const RowTexts texts =
            rowTexts(from + start, std::span<const std::uint8_t>(m_buffer.data() + start, count));
        const double y =
            padding + static_cast<double>(first + r) * m_lineHeight + ascent - scroll.y();
        const double x = padding - scroll.x();
        painter.setPen(tertiary);
        painter.drawText(QPointF(x, y), texts.offset);
        painter.setPen(label);
        painter.drawText(QPointF(x + hexColumn * m_charWidth, y), texts.hex);
        painter.setPen(secondary);
        painter.drawText(QPointF(x + asciiColumn * m_charWidth, y), texts.ascii);
    }
    return rows;
}

double HexView::scrollTop() const
{
    return static_cast<double>(verticalScrollBar()->value()) * m_lineHeight;
}

void HexView::scrollToEnd()
{
    m_pendingRow.reset();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void HexView::scrollToByte(std::uint64_t offset)
{
    const auto row = static_cast<std::int64_t>(std::min(offset, m_size) / bytesPerRow);
    m_pendingRow.reset();
    verticalScrollBar()->setValue(static_cast<int>(std::min<std::int64_t>(row, INT_MAX)));
    if (verticalScrollBar()->value() < row)
        m_pendingRow = row;
}

std::uint64_t HexView::topByte() const
{
    return static_cast<std::uint64_t>(verticalScrollBar()->value()) * bytesPerRow;
}

void HexView::keyPressEvent(QKeyEvent* event)
{
    const auto modifiers = event->modifiers() & ~(Qt::KeypadModifier | Qt::ControlModifier);
    if (modifiers == Qt::NoModifier
        && (event->key() == Qt::Key_Home || event->key() == Qt::Key_End)) {
        m_pendingRow.reset();
        if (event->key() == Qt::Key_Home) {
            verticalScrollBar()->setValue(0);
            horizontalScrollBar()->setValue(0);
        } else {
            scrollToEnd();
        }
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void HexView::refreshSize()
{
    if (!m_source)
        return;
    const std::uint64_t now = m_source->size();
    if (now == m_size)
        return;
    m_size = now;
    updateScrollBars();
}

void HexView::updateScrollBars()
{
    const QSizeF visible = viewport()->size();
    const QSizeF content = contentSize(visible);
    // Whole rows per page; the last page ends with the last row above the bottom padding.
    const auto rowsVisible =
        std::max<std::int64_t>(1, static_cast<std::int64_t>((visible.height() - padding) / m_lineHeight));
    const std::int64_t maximum = std::max<std::int64_t>(0, rowCount() - rowsVisible + 1);
    verticalScrollBar()->setRange(0, static_cast<int>(std::min<std::int64_t>(maximum, INT_MAX)));
    verticalScrollBar()->setPageStep(static_cast<int>(rowsVisible));
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setRange(0, std::max(0, static_cast<int>(content.width() - visible.width())));
    horizontalScrollBar()->setPageStep(std::max(1, static_cast<int>(visible.width())));
    horizontalScrollBar()->setSingleStep(static_cast<int>(m_charWidth));
    if (m_pendingRow && visible.height() > padding) {
        const auto row = *m_pendingRow;
        verticalScrollBar()->setValue(static_cast<int>(std::min<std::int64_t>(row, INT_MAX)));
        if (verticalScrollBar()->value() >= row
            || verticalScrollBar()->value() == verticalScrollBar()->maximum())
            m_pendingRow.reset();
    }
}

void HexView::paintEvent(QPaintEvent* event)
{
    refreshSize();
    QPainter painter(viewport());
    const QPointF scroll(horizontalScrollBar()->value(), scrollTop());
    m_lastDrawnRows = drawRows(painter, QRectF(event->rect()).translated(scroll), scroll);
}

void HexView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void HexView::scrollContentsBy(int, int)
{
    viewport()->update();
}

} // namespace EditorViews
