#include "app/window/print/DocumentPrinting.h"

#include "app/documents/SnapshotStrings.h"
#include "app/documents/TextDocument.h"
#include "app/kit/Localized.h"
#include "app/views/EditorTextView.h"
#include "app/views/SnapshotLines.h"
#include "app/views/TextStorage.h"
#include "app/window/ApplicationWindows.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/WindowDocument.h"
#include "store/SettingKeys.h"
#include "store/Settings.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace EditorWindow {
namespace {

// The header and footer text size, in points.
constexpr int bandFontSize = 9;
// How often the pagination reports its progress, in lines.
constexpr std::int64_t progressInterval = 4096;

} // namespace

PrintSource printSource(const DocumentWindowController& window)
{
    PrintSource source;
    source.text = window.textView()->storage().snapshot();
    source.lines = window.textView()->lineIndex();
    if (WindowDocument* document = window.document())
        source.title = document->displayName();
    source.tabWidth = window.effectiveIndentStyle().effectiveWidth();
    return source;
}

PrintSource printSource(const EditorDocuments::TextDocument& document)
{
    if (auto* window = ApplicationWindows::controllerOf(&document)) {
        PrintSource source = printSource(*window);
        source.title = document.displayName();
        return source;
    }
    PrintSource source;
    source.text = document.loadedText();
    source.lines = EditorCore::LineIndex(source.text);
    source.title = document.displayName();
    source.tabWidth = 4;
    return source;
}

EditorViews::EditorFontSettings printFontSettings(const EditorStore::Settings& settings)
{
    using EditorStore::SettingKeys;
    EditorViews::EditorFontSettings fonts;
    fonts.fontName = QString::fromStdString(settings.value(SettingKeys::viewFontName));
    fonts.fontSize = settings.value(SettingKeys::viewFontSize);
    fonts.lineSpacing = settings.value(SettingKeys::viewLineSpacing);
    return fonts;
}

void applyPrintSettings(QPrinter& printer, const PrintSettings& settings)
{
    if (settings.pageSize)
        printer.setPageSize(*settings.pageSize);
    if (settings.orientation)
        printer.setPageOrientation(*settings.orientation);
    if (settings.margins)
        printer.setPageMargins(*settings.margins, QPageLayout::Point);
}

QSizeF printableSize(const QPrinter& printer)
{
    return printer.pageLayout().paintRect(QPageLayout::Point).size();
}

// MARK: pagination

PrintPaginator::PrintPaginator(PrintSource source,
                               QSizeF printableSize,
                               const EditorViews::EditorFontSettings& fontSettings,
                               QDateTime date,
                               const Progress& progress)
    : m_source(std::move(source))
    , m_size(printableSize)
    , m_date(std::move(date))
{
    // The settings' font at zoom 1.0, whatever the window shows. Its pixel size is taken as
    // points, the way the editor's sizes read on paper; scaled glyph outlines need no hinting.
    m_font = EditorViews::editorFont(std::nullopt, std::nullopt, 1.0, fontSettings);
    m_font.setHintingPreference(QFont::PreferNoHinting);
    const auto style = EditorViews::editorParagraphStyle(
        m_font, std::max(m_source.tabWidth, 1), std::nullopt, fontSettings);
    QFontMetricsF metrics(m_font);
    m_ascent = metrics.ascent();
    m_descent = metrics.descent();
    m_lineHeight = std::max(1.0, style.lineHeight);
    m_tabInterval = style.defaultTabInterval;

    m_bandFont = m_font;
    m_bandFont.setPixelSize(bandFontSize);
    QFontMetricsF bandMetrics(m_bandFont);
    m_bandLineHeight = std::ceil(bandMetrics.height());
    // A band is its text and as much space again; a page too small for both bands and a row
    // prints without them.
    double band = 2 * m_bandLineHeight;
    if (m_size.height() - 2 * band < m_lineHeight)
        band = 0;
    m_bodyTop = band;
    const double bodyHeight = m_size.height() - 2 * band;
    m_rowsPerPage = std::max(1, static_cast<int>(std::floor(bodyHeight / m_lineHeight + 1e-6)));

    // The empty line after a final break is not printed; an empty text still has its page.
    m_lineCount = std::max<std::int64_t>(m_source.lines.contentLineCount(), 1);
    paginate(progress);
}

std::unique_ptr<QTextLayout> PrintPaginator::layoutLine(std::int64_t line) const
{
    const auto range = EditorViews::contentRange(m_source.lines, line, m_source.text);
    auto layout = std::make_unique<QTextLayout>(
        EditorViews::snapshotText(m_source.text, range.location, range.length), m_font);
    QTextOption option;
    option.setTabStopDistance(m_tabInterval);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout->setTextOption(option);
    const double width = bodyWidth();
    const double pad = (m_lineHeight - (m_ascent + m_descent)) / 2;
    int row = 0;
    layout->beginLayout();
    for (QTextLine textLine = layout->createLine(); textLine.isValid();
         textLine = layout->createLine()) {
        textLine.setLineWidth(width);
        // Every row is one line height tall, its baseline at the same place, as on screen.
        const double baseline = row * m_lineHeight + pad + m_ascent;
        textLine.setPosition(QPointF(0, baseline - textLine.ascent()));
        ++row;
    }
    layout->endLayout();
    return layout;
}

void PrintPaginator::paginate(const Progress& progress)
{
    m_pages.push_back({0, 0});
    int used = 0;
    for (std::int64_t line = 0; line < m_lineCount; ++line) {
        if (progress && line % progressInterval == 0 && !progress(line, m_lineCount)) {
            m_cancelled = true;
            m_pages.clear();
            return;
        }
        const int rows = std::max(layoutLine(line)->lineCount(), 1);
        // A line longer than a page continues on the next one, row by row.
        for (int row = 0; row < rows;) {
            if (used == m_rowsPerPage) {
                m_pages.push_back({line, row});
                used = 0;
            }
            const int taken = std::min(rows - row, m_rowsPerPage - used);
            used += taken;
            row += taken;
        }
    }
    if (progress)
        progress(m_lineCount, m_lineCount);
}

QString PrintPaginator::dateText() const
{
    return QLocale().toString(m_date, QLocale::ShortFormat);
}

QString PrintPaginator::footerText(int page) const
{
    return EditorKit::localized("%2쪽 중 %1쪽").arg(page + 1).arg(pageCount());
}

void PrintPaginator::paintBands(QPainter& painter, int page) const
{
    if (m_bodyTop <= 0)
        return;
    painter.setFont(m_bandFont);
    QFontMetricsF metrics(m_bandFont);
    const double width = bodyWidth();
    const QString date = dateText();
    const double dateWidth = metrics.horizontalAdvance(date);
    const double gap = metrics.horizontalAdvance(QStringLiteral("    "));
    const QString title =
        metrics.elidedText(m_source.title, Qt::ElideMiddle, std::max(0.0, width - dateWidth - gap));
    const QRectF header(0, 0, width, m_bandLineHeight);
    painter.drawText(header, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title);
    painter.drawText(header, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, date);
    const QRectF footer(0, m_size.height() - m_bandLineHeight, width, m_bandLineHeight);
    painter.drawText(
        footer, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, footerText(page));
}

void PrintPaginator::paintPage(QPainter& painter, int page) const
{
    if (page < 0 || page >= pageCount())
        return;
    painter.save();
    // Black on white paper, whatever the window's appearance.
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    paintBands(painter, page);

    const RowPosition start = m_pages[static_cast<std::size_t>(page)];
    int drawn = 0;
    for (std::int64_t line = start.line; line < m_lineCount && drawn < m_rowsPerPage; ++line) {
        auto layout = layoutLine(line);
        const int firstRow = line == start.line ? start.row : 0;
        const int rows = layout->lineCount();
        if (rows == 0) {
            ++drawn;
            continue;
        }
        for (int row = firstRow; row < rows && drawn < m_rowsPerPage; ++row, ++drawn) {
            // Row `row` of the layout lands on the page's row `drawn`.
            const QPointF origin(0, m_bodyTop + (drawn - row) * m_lineHeight);
            layout->lineAt(row).draw(&painter, origin);
        }
    }
    painter.restore();
}

PrintPaginator paginatorFor(const DocumentWindowController& window,
                            QSizeF printableSize,
                            QDateTime date,
                            const PrintPaginator::Progress& progress)
{
    const auto& environment = window.environment();
    const EditorStore::Settings& settings =
        environment.settings ? *environment.settings : EditorStore::Settings::shared();
    return PrintPaginator(
        printSource(window), printableSize, printFontSettings(settings), std::move(date), progress);
}

bool printPages(const PrintPaginator& paginator, QPrinter& printer, const PageProgress& progress)
{
    if (paginator.pageCount() == 0)
        return false;
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    // One unit is one point, whatever the printer's resolution.
    const double scale = printer.resolution() / 72.0;
    painter.scale(scale, scale);
    // The pages the user chose in the panel (1-based, inclusive); all of them otherwise.
    const int count = paginator.pageCount();
    int first = 0;
    int last = count - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::min(printer.fromPage(), count) - 1;
        last = printer.toPage() > 0 ? std::clamp(printer.toPage(), first + 1, count) - 1 : last;
    }
    const int pages = last - first + 1;
    for (int page = first; page <= last; ++page) {
        if (progress && !progress(page - first, pages)) {
            printer.abort();
            painter.end();
            return false;
        }
        if (page > first && !printer.newPage()) {
            painter.end();
            return false;
        }
        paginator.paintPage(painter, page);
    }
    if (progress)
        progress(pages, pages);
    return painter.end();
}

bool printDocument(const EditorDocuments::TextDocument& document,
                   QPrinter& printer,
                   const PrintSettings& settings,
                   const EditorViews::EditorFontSettings& fontSettings,
                   QDateTime date)
{
    applyPrintSettings(printer, settings);
    PrintPaginator paginator(
        printSource(document), printableSize(printer), fontSettings, std::move(date));
    printer.setDocName(paginator.title());
    return printPages(paginator, printer);
}

} // namespace EditorWindow
