#pragma once

#include "app/views/EditorFont.h"
#include "core/ChunkedText.h"
#include "core/LineIndex.h"

#include <QDateTime>
#include <QFont>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QSizeF>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPainter;
class QPrinter;
class QTextLayout;

namespace EditorDocuments {
class TextDocument;
}

namespace EditorStore {
class Settings;
}

namespace EditorWindow {

class DocumentWindowController;

// What a printout shows: the text with its lines, the job title and the tab width. The text is
// a snapshot: each line is copied out of it as it is laid out.
struct PrintSource
{
    EditorCore::TextSnapshot text;
    EditorCore::LineIndex lines;
    QString title;
    int tabWidth = 4;
};

// The window's text and line index, the document's display name and the window's tab width.
PrintSource printSource(const DocumentWindowController& window);
// The window's source when the document has one; else its `loadedText`, tab width 4.
PrintSource printSource(const EditorDocuments::TextDocument& document);

// The font settings ("view.font.name", "view.font.size", "view.lineSpacing") as stored.
EditorViews::EditorFontSettings printFontSettings(const EditorStore::Settings& settings);

// Page settings a caller passes along with a print; each given value replaces the printer's
// before the printable width is computed.
struct PrintSettings
{
    std::optional<QPageSize> pageSize;
    std::optional<QPageLayout::Orientation> orientation;
    // In points.
    std::optional<QMarginsF> margins;
};
void applyPrintSettings(QPrinter& printer, const PrintSettings& settings);

// Lays a text out on pages: every line of the line index wrapped with QTextLayout at the
// printable width, black on white, in the settings' editor font at zoom 1.0 with the settings'
// line spacing. A page has a header band (the job title at the left, the date at the right), the
// body, and a footer band (the page number and the count, centred). Units are points (1/72
// inch); the origin is the top left corner of the printable area. Only the first row of each
// page is stored, so a page is laid out again when it is painted.
class PrintPaginator
{
public:
    // Asked now and then while the lines are laid out, with the lines done and their count;
    // false stops the pagination (the paginator then has no pages).
    using Progress = std::function<bool(std::int64_t done, std::int64_t total)>;

    PrintPaginator(PrintSource source,
                   QSizeF printableSize,
                   const EditorViews::EditorFontSettings& fontSettings,
                   QDateTime date,
                   const Progress& progress = {});

    // At least 1 once paginated; 0 when the pagination was stopped.
    int pageCount() const { return static_cast<int>(m_pages.size()); }
    bool wasCancelled() const { return m_cancelled; }

    const QFont& font() const { return m_font; }
    double lineHeight() const { return m_lineHeight; }
    // The printable width: the paper's width less the left and right margins.
    double bodyWidth() const { return m_size.width(); }
    // The printable area.
    const QSizeF& pageSize() const { return m_size; }
    double bodyTop() const { return m_bodyTop; }
    int rowsPerPage() const { return m_rowsPerPage; }
    const QString& title() const { return m_source.title; }
    QString dateText() const;
    QString footerText(int page) const;

    // Paints page `page` (0-based) with `painter` in points, its origin at the printable area.
    void paintPage(QPainter& painter, int page) const;

private:
    struct RowPosition
    {
        std::int64_t line = 0;
        int row = 0;
    };
    // The 0-based line laid out at the printable width; its rows are at
    // y = row * lineHeight from the layout's top.
    std::unique_ptr<QTextLayout> layoutLine(std::int64_t line) const;
    void paginate(const Progress& progress);
    void paintBands(QPainter& painter, int page) const;

    PrintSource m_source;
    QSizeF m_size;
    QDateTime m_date;
    QFont m_font;
    QFont m_bandFont;
    double m_lineHeight = 0;
    double m_ascent = 0;
    double m_descent = 0;
    double m_tabInterval = 0;
    double m_bandLineHeight = 0;
    double m_bodyTop = 0;
    int m_rowsPerPage = 1;
    std::int64_t m_lineCount = 0;
    bool m_cancelled = false;
    std::vector<RowPosition> m_pages;
};

// The window's printout on pages of `printableSize`: its text, title and tab width in the font
// of the window's settings (never the window's own font or zoom).
PrintPaginator paginatorFor(const DocumentWindowController& window,
                            QSizeF printableSize,
                            QDateTime date,
                            const PrintPaginator::Progress& progress = {});

// Paints the pages of `paginator` on `printer`, one sheet each: all of them, or the range chosen
// in the print panel. False when the printer could not be started or the progress asked to
// stop.
using PageProgress = std::function<bool(int donePages, int pageCount)>;
bool printPages(const PrintPaginator& paginator,
                QPrinter& printer,
                const PageProgress& progress = {});

// Prints a document, with or without a window, on `printer`: the given settings are applied
// first, so the printable width is that of the page they make; the job title is the display
// name. False when the printer could not be started.
bool printDocument(const EditorDocuments::TextDocument& document,
                   QPrinter& printer,
                   const PrintSettings& settings,
                   const EditorViews::EditorFontSettings& fontSettings,
                   QDateTime date);

// The printable size of the printer's page, in points (paper less margins).
QSizeF printableSize(const QPrinter& printer);

} // namespace EditorWindow
