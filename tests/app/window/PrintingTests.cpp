#include "app/documents/DocumentServices.h"
#include "app/documents/TextDocument.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/Presenter.h"
#include "app/kit/Utf16.h"
#include "app/views/EditorTextView.h"
#include "app/views/TextStorage.h"
#include "app/window/print/DocumentPrinting.h"
#include "app/window/print/PrintingFeature.h"
#include "app/window/hosting/TextDocumentWindow.h"
#include "platform/PreferencesDomain.h"
#include "store/SettingKeys.h"
#include "store/Settings.h"
#include "tests/platform/TemporaryFolder.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPrinter>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <regex>

using EditorDocuments::TextDocument;
using EditorStore::SettingKeys;
using EditorWindow::PrintPaginator;
using EditorWindow::PrintSource;

namespace {

const QDateTime printDate(QDate(2026, 3, 14), QTime(9, 30), Qt::UTC);

PrintSource sourceOf(const QString& text, const QString& title = QStringLiteral("notes.txt"))
{
    PrintSource source;
    source.text = EditorCore::ChunkedText(EditorKit::utf16View(text)).snapshot();
    source.lines = EditorCore::LineIndex(std::u16string_view(
        reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
    source.title = title;
    return source;
}

// A page as the paper shows it: white, the printable area `margin` points in from each edge.
QImage renderPage(const PrintPaginator& paginator, int page, double margin, double scale = 2.0)
{
    const QSizeF paper = paginator.pageSize() + QSizeF(2 * margin, 2 * margin);
    QImage image(static_cast<int>(std::ceil(paper.width() * scale)),
                 static_cast<int>(std::ceil(paper.height() * scale)),
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    painter.translate(margin, margin);
    paginator.paintPage(painter, page);
    painter.end();
    return image;
}

bool isInk(QRgb pixel)
{
    return qGray(pixel) < 200;
}

// The pages a PDF file has.
int pdfPageCount(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    static const std::regex page(R"(/Type\s*/Page\b)");
    return static_cast<int>(
        std::distance(std::sregex_iterator(bytes.begin(), bytes.end(), page), {}));
}

EditorViews::EditorFontSettings smallFont()
{
    EditorViews::EditorFontSettings fonts;
    fonts.fontName = QStringLiteral("DejaVu Sans Mono");
    fonts.fontSize = 10;
    fonts.lineSpacing = 1.0;
    return fonts;
}

} // namespace

TEST(PrintPaginator, printableWidthIsThePaperLessItsMarginsAfterTheGivenSettings)
{
    struct Case
    {
        const char* name;
        QPageSize::PageSizeId size;
        QPageLayout::Orientation orientation;
        double margin;
    };
    const Case cases[] = {
        {"A4 portrait", QPageSize::A4, QPageLayout::Portrait, 72},
        {"A5 portrait", QPageSize::A5, QPageLayout::Portrait, 36},
        {"Letter landscape", QPageSize::Letter, QPageLayout::Landscape, 54},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        EditorWindow::PrintSettings settings;
        settings.pageSize = QPageSize(c.size);
        settings.orientation = c.orientation;
        settings.margins = QMarginsF(c.margin, c.margin, c.margin, c.margin);
        EditorWindow::applyPrintSettings(printer, settings);

        QSizeF paper = QPageSize(c.size).sizePoints();
        if (c.orientation == QPageLayout::Landscape)
            paper.transpose();
        const QSizeF printable = EditorWindow::printableSize(printer);
        EXPECT_NEAR(printable.width(), paper.width() - 2 * c.margin, 0.5);
        EXPECT_NEAR(printable.height(), paper.height() - 2 * c.margin, 0.5);
        PrintPaginator paginator(sourceOf(QStringLiteral("x")), printable, smallFont(), printDate);
        EXPECT_DOUBLE_EQ(paginator.bodyWidth(), printable.width());
    }
}

TEST(PrintPaginator, aLongLineWrapsInsideThePrintableWidth)
{
    const double margin = 36;
    QString line;
    for (int i = 0; i < 30; ++i)
        line += QStringLiteral("0123456789");
    PrintPaginator paginator(
        sourceOf(line + QStringLiteral("\nnext\n")), QSizeF(300, 400), smallFont(), printDate);
    ASSERT_EQ(paginator.pageCount(), 1);
    const QImage page = renderPage(paginator, 0, margin);

    // The rows of ink in the body and the rightmost ink.
    const double scale = 2.0;
    const int bodyTop = static_cast<int>((margin + paginator.bodyTop()) * scale);
    const int bodyBottom = static_cast<int>((margin + 400 - paginator.bodyTop()) * scale);
    int rightmost = 0;
    int rows = 0;
    int firstRowRight = 0;
    bool inRow = false;
    for (int y = bodyTop; y < bodyBottom; ++y) {
        int rowRight = -1;
        for (int x = 0; x < page.width(); ++x) {
            if (isInk(page.pixel(x, y)))
                rowRight = x;
        }
        if (rowRight >= 0 && !inRow) {
            ++rows;
            inRow = true;
        } else if (rowRight < 0) {
            inRow = false;
        }
        if (rows == 1 && inRow)
            firstRowRight = std::max(firstRowRight, rowRight);
        rightmost = std::max(rightmost, rowRight);
    }
    const double advance = QFontMetricsF(paginator.font()).horizontalAdvance(QLatin1Char('0'));
    const int printableRight = static_cast<int>(std::ceil((margin + 300) * scale));
    EXPECT_LE(rightmost, printableRight) << "ink past the right margin";
    EXPECT_GE(firstRowRight, static_cast<int>((margin + 300 - 2 * advance) * scale))
        << "the first row stops short of the width";
    // 300 digits at this width need several rows; the next line follows them.
    const int expectedRows = static_cast<int>(std::ceil(300 / std::floor(300 / advance))) + 1;
    EXPECT_EQ(rows, expectedRows);
}

TEST(PrintPaginator, tabStopsFollowTheTabWidth)
{
    const double margin = 20;
    const double scale = 2.0;
    for (int tabWidth : {2, 8}) {
        SCOPED_TRACE(tabWidth);
        PrintSource source = sourceOf(QStringLiteral("\tx"));
        source.tabWidth = tabWidth;
        PrintPaginator paginator(source, QSizeF(300, 200), smallFont(), printDate);
        const QImage page = renderPage(paginator, 0, margin, scale);
        int leftmost = page.width();
        const int top = static_cast<int>((margin + paginator.bodyTop()) * scale);
        const int bottom = static_cast<int>((margin + 200 - paginator.bodyTop()) * scale);
        for (int y = top; y < bottom; ++y) {
            for (int x = 0; x < page.width(); ++x) {
                if (isInk(page.pixel(x, y)))
                    leftmost = std::min(leftmost, x);
            }
        }
        const double advance = QFontMetricsF(paginator.font()).horizontalAdvance(QLatin1Char('0'));
        EXPECT_NEAR(leftmost / scale, margin + tabWidth * advance, advance);
    }
}

TEST(PrintPaginator, pagesHoldTheRowsThatFitAndALongLineContinuesOnTheNextPage)
{
    const QSizeF size(300, 400);
    PrintPaginator probe(sourceOf(QStringLiteral("x")), size, smallFont(), printDate);
    // The settings' size and spacing give the row height: 10 points at spacing 1.0.
    EXPECT_NEAR(probe.lineHeight(), 10.0, 1e-9);
    const int rows = probe.rowsPerPage();
    const double body = size.height() - 2 * probe.bodyTop();
    EXPECT_LE(rows * probe.lineHeight(), body + 1e-6);
    EXPECT_GT((rows + 1) * probe.lineHeight(), body);
    ASSERT_GT(rows, 5);

    const double advance = QFontMetricsF(probe.font()).horizontalAdvance(QLatin1Char('0'));
    const int perRow = static_cast<int>(std::floor(300 / advance));
    auto lines = [](int count, bool finalBreak) {
        QStringList list;
        for (int i = 0; i < count; ++i)
            list << QStringLiteral("line %1").arg(i);
        return list.join(QLatin1Char('\n')) + (finalBreak ? QStringLiteral("\n") : QString());
    };
    struct Case
    {
        const char* name;
        QString text;
        int pages;
    };
    const Case cases[] = {
        {"200 lines", lines(200, false), (200 + rows - 1) / rows},
        {"200 lines and a final break", lines(200, true), (200 + rows - 1) / rows},
        {"a page exactly full", lines(rows, true), 1},
        {"one row more", lines(rows + 1, false), 2},
        {"the empty text", QString(), 1},
        {"a line of more rows than a page",
         QString(perRow * (rows + 3) - perRow / 2, QLatin1Char('0')),
         2},
        {"a page of lines then a wrapped line",
         lines(rows - 1, true) + QString(perRow * 3, QLatin1Char('0')),
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PrintPaginator paginator(sourceOf(c.text), size, smallFont(), printDate);
        EXPECT_EQ(paginator.pageCount(), c.pages);
    }
}

TEST(PrintPaginator, thePdfHasOnePagePerPaginatedPageWithTheBandsOnEach)
{
    TemporaryFolder folder;
    const auto output = folder / "printed.pdf";
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(output.string()));
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(54, 54, 54, 54), QPageLayout::Point);

    QStringList list;
    for (int i = 0; i < 200; ++i)
        list << QStringLiteral("%1\t줄 %1").arg(i);
    PrintPaginator paginator(sourceOf(list.join(QLatin1Char('\n')), QStringLiteral("메모.txt")),
                             EditorWindow::printableSize(printer),
                             smallFont(),
                             printDate);
    ASSERT_GT(paginator.pageCount(), 1);
    ASSERT_TRUE(EditorWindow::printPages(paginator, printer));
    EXPECT_EQ(pdfPageCount(output), paginator.pageCount());

    EXPECT_EQ(paginator.title(), QStringLiteral("메모.txt"));
    EXPECT_FALSE(paginator.dateText().isEmpty());
    EXPECT_EQ(paginator.footerText(1), QStringLiteral("%1쪽 중 2쪽").arg(paginator.pageCount()));
}

TEST(PrintPaginator, thePanelsPageRangeIsPrintedAndAStoppedPrintReportsIt)
{
    TemporaryFolder folder;
    QStringList list;
    for (int i = 0; i < 300; ++i)
        list << QStringLiteral("line %1").arg(i);
    const PrintSource source = sourceOf(list.join(QLatin1Char('\n')));
    auto printerTo = [&](const char* name) {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(QString::fromStdString((folder / name).string()));
        printer->setPageSize(QPageSize(QPageSize::A5));
        return printer;
    };

    auto ranged = printerTo("range.pdf");
    PrintPaginator paginator(source, EditorWindow::printableSize(*ranged), smallFont(), printDate);
    ASSERT_GE(paginator.pageCount(), 4);
    ranged->setPrintRange(QPrinter::PageRange);
    ranged->setFromTo(2, 3);
    ASSERT_TRUE(EditorWindow::printPages(paginator, *ranged));
    EXPECT_EQ(pdfPageCount(folder / "range.pdf"), 2);

    // Stopped while paginating: no pages, nothing printed.
    PrintPaginator stopped(
        source, QSizeF(300, 300), smallFont(), printDate, [](std::int64_t, std::int64_t) {
            return false;
        });
    EXPECT_TRUE(stopped.wasCancelled());
    EXPECT_EQ(stopped.pageCount(), 0);
    auto unused = printerTo("stopped.pdf");
    EXPECT_FALSE(EditorWindow::printPages(stopped, *unused));

    // Stopped after the first page.
    auto partial = printerTo("partial.pdf");
    EXPECT_FALSE(
        EditorWindow::printPages(paginator, *partial, [](int done, int) { return done < 1; }));
}

TEST(PrintPaginator, aPageInTheDarkThemeIsGreyOnWhite)
{
    const QPalette original = QApplication::palette();
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    dark.setColor(QPalette::Base, QColor(20, 20, 20));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    QApplication::setPalette(dark);

    QString text;
    for (int i = 0; i < 40; ++i)
        text += QStringLiteral("가나다 {\"key\": [1, 2]}\t// 주석 %1\n").arg(i);
    PrintPaginator paginator(sourceOf(text), QSizeF(400, 500), smallFont(), printDate);
    const QImage page = renderPage(paginator, 0, 20);
    QApplication::setPalette(original);

    int coloured = 0;
    int darkPixels = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            const QRgb pixel = page.pixel(x, y);
            if (qRed(pixel) != qGreen(pixel) || qGreen(pixel) != qBlue(pixel))
                ++coloured;
            if (qGray(pixel) < 64)
                ++darkPixels;
        }
    }
    EXPECT_EQ(coloured, 0);
    EXPECT_GT(darkPixels, 1000) << "the text is printed black";
}

namespace {

// Answers the print panel by printing to a PDF file (or cancels it) and records the job titles.
class PrintPresenter : public EditorKit::Presenter
{
public:
    std::filesystem::path output;
    bool accepts = true;
    std::vector<QString> panels;
    std::vector<QString> alerts;

    int runAlert(const EditorKit::Alert& alert, QWidget*) override
    {
        alerts.push_back(alert.text);
        return 0;
    }
    std::optional<std::filesystem::path> runSavePanel(QWidget*, const QString&) override
    {
        return std::nullopt;
    }
    bool runPrintPanel(QPrinter& printer, QWidget*) override
    {
        panels.push_back(printer.docName());
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(output.string()));
        printer.setPageSize(QPageSize(QPageSize::A5));
        return accepts;
    }
};

// A file's document in a window with only the printing part.
struct PrintingFixture
{
    TemporaryFolder folder;
    EditorStore::Settings settings{
        std::make_shared<Platform::PreferencesDomain>(folder / "group-defaults.json"), {}};
    EditorKit::ActionRouter router;
    std::shared_ptr<PrintPresenter> presenter = std::make_shared<PrintPresenter>();
    std::shared_ptr<EditorDocuments::DocumentServices> services =
        std::make_shared<EditorDocuments::DocumentServices>();
    std::unique_ptr<TextDocument> document;

    PrintingFixture(const std::string& name, const std::string& bytes, bool withWindow = true)
    {
        presenter->output = folder / "out.pdf";
        services->largeFileMB = [] { return std::int64_t(100); };
        services->newDocumentFormat = [] {
            return EditorDocuments::FileFormat::newDocumentDefault("utf-8", false);
        };
        services->isWritable = [](const std::filesystem::path&) { return true; };
        services->record = [](auto, auto, const auto&) {};
        services->makeWindowController = [this](TextDocument& owner) {
            EditorWindow::WindowEnvironment environment;
            environment.settings = &settings;
            environment.presenter = presenter;
            environment.features = [] {
                EditorWindow::WindowFeatureList features;
                features.push_back(std::make_unique<EditorWindow::PrintingFeature>());
                return features;
            };
            return std::make_unique<EditorWindow::TextDocumentWindow>(owner, router, environment);
        };
        const auto path = folder / name;
        std::ofstream(path, std::ios::binary) << bytes;
        document = std::make_unique<TextDocument>(services);
        EXPECT_TRUE(document->readFromURL(path).has_value());
        if (withWindow)
            document->makeWindowControllers();
        QCoreApplication::processEvents();
    }

    ~PrintingFixture()
    {
        document->close();
        document.reset();
        QCoreApplication::processEvents();
    }

    EditorWindow::DocumentWindowController& window()
    {
        return dynamic_cast<EditorWindow::TextDocumentWindow&>(*document->editor()).controller();
    }
};

} // namespace

TEST(DocumentPrinting, aDocumentPrintsItsWindowsTextOrWithoutAWindowItsLoadedText)
{
    {
        SCOPED_TRACE("without a window");
        PrintingFixture f("plain.txt", "a\tb\nc\n", false);
        const PrintSource source = EditorWindow::printSource(*f.document);
        EXPECT_EQ(EditorViews::snapshotText(source.text), QStringLiteral("a\tb\nc\n"));
        EXPECT_EQ(source.lines.contentLineCount(), 2);
        EXPECT_EQ(source.tabWidth, 4);
        EXPECT_EQ(source.title, QStringLiteral("plain.txt"));
    }
    {
        SCOPED_TRACE("with a window");
        PrintingFixture f("code.txt", "a\tb\n");
        f.document->chooseIndentStyle(EditorCore::IndentStyle(true, 8));
        f.window().textView()->setSelectedRange({0, 0});
        f.window().textView()->insertText(QStringLiteral("edited\n"));
        const PrintSource source = EditorWindow::printSource(*f.document);
        EXPECT_EQ(EditorViews::snapshotText(source.text), QStringLiteral("edited\na\tb\n"));
        EXPECT_EQ(source.lines.contentLineCount(), 2) << "the window's line index";
        EXPECT_EQ(source.tabWidth, 8);
        EXPECT_EQ(source.title, QStringLiteral("code.txt"));
    }
    {
        SCOPED_TRACE("no display name");
        PrintingFixture f("named.txt", "x", false);
        f.document->setExternalTitle(QString());
        EXPECT_EQ(EditorWindow::printSource(*f.document).title, QString());
    }
}

TEST(DocumentPrinting, aWindowlessDocumentPrintsOnThePaperOfTheSettingsPassedIn)
{
    std::string text;
    for (int i = 0; i < 150; ++i)
        text += "line " + std::to_string(i) + "\n";
    PrintingFixture f("plain.txt", text, false);
    auto pagesOn = [&](QPageSize::PageSizeId size) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const auto output = f.folder / ("out-" + std::to_string(size) + ".pdf");
        printer.setOutputFileName(QString::fromStdString(output.string()));
        EditorWindow::PrintSettings settings;
        settings.pageSize = QPageSize(size);
        settings.margins = QMarginsF(36, 36, 36, 36);
        EXPECT_TRUE(
            EditorWindow::printDocument(*f.document, printer, settings, smallFont(), printDate));
        EXPECT_EQ(printer.docName(), QStringLiteral("plain.txt"));
        QSizeF printable = QPageSize(size).sizePoints() - QSizeF(72, 72);
        PrintPaginator expected(
            EditorWindow::printSource(*f.document), printable, smallFont(), printDate);
        EXPECT_EQ(pdfPageCount(output), expected.pageCount());
        return pdfPageCount(output);
    };
    EXPECT_GT(pagesOn(QPageSize::A6), pagesOn(QPageSize::A4));
}

TEST(DocumentPrinting, theWindowsOwnFontAndZoomDoNotChangeThePrintoutButTheSettingsDo)
{
    PrintingFixture f("zoomed.txt", "first line\n\tsecond line 가나다\n");
    f.settings.set(std::string("DejaVu Sans Mono"), SettingKeys::viewFontName);
    const QSizeF size(300, 300);
    auto render = [&] {
        return renderPage(EditorWindow::paginatorFor(f.window(), size, printDate), 0, 10);
    };
    const QImage plain = render();

    EditorViews::EditorViewOptions options = f.window().display()->options;
    options.zoom = 2.0;
    options.fontFamily = QStringLiteral("DejaVu Serif");
    options.fontSize = 30;
    options.lineSpacing = 2.5;
    f.window().applyDisplayOptions(options, false);
    ASSERT_NE(f.window().textView()->editorFont().pixelSize(), 13);
    EXPECT_TRUE(render() == plain);
    EXPECT_EQ(EditorWindow::paginatorFor(f.window(), size, printDate).font().pixelSize(), 13);

    f.settings.set(18.0, SettingKeys::viewFontSize);
    const auto larger = EditorWindow::paginatorFor(f.window(), size, printDate);
    EXPECT_EQ(larger.font().pixelSize(), 18);
    EXPECT_FALSE(render() == plain);
}

TEST(PrintingFeature, thePrintCommandAsksThePanelAndPrintsToItsPrinter)
{
    QStringList list;
    for (int i = 0; i < 200; ++i)
        list << QStringLiteral("line %1").arg(i);
    PrintingFixture f("long.txt", list.join(QLatin1Char('\n')).toStdString());
    f.window().showWindow();
    QWidget* host = f.window().hostWindow();
    ASSERT_NE(host, nullptr);
    EXPECT_TRUE(f.router.validate("printDocument:", {}, host));

    // Cancelled: nothing printed, nothing said.
    f.presenter->accepts = false;
    EXPECT_TRUE(f.router.send("printDocument:", {}, host));
    EXPECT_EQ(f.presenter->panels, std::vector<QString>{QStringLiteral("long.txt")});
    EXPECT_FALSE(std::filesystem::exists(f.presenter->output));

    // Accepted: the panel's paper size sets the width and the page count.
    f.presenter->accepts = true;
    EXPECT_TRUE(f.router.send("printDocument:", {}, host));
    ASSERT_TRUE(std::filesystem::exists(f.presenter->output));
    auto* feature = f.window().feature<EditorWindow::PrintingFeature>();
    ASSERT_NE(feature, nullptr);
    EXPECT_EQ(feature->printer().docName(), QStringLiteral("long.txt"));
    const QSizeF a5 = EditorWindow::printableSize(feature->printer());
    EXPECT_LT(a5.width(), QPageSize(QPageSize::A5).sizePoints().width());
    const auto expected = EditorWindow::paginatorFor(f.window(), a5, printDate);
    EXPECT_GT(expected.pageCount(), 1);
    EXPECT_EQ(pdfPageCount(f.presenter->output), expected.pageCount());
    EXPECT_TRUE(f.presenter->alerts.empty());
}

TEST(PrintingFeature, aPrinterThatCannotStartIsReportedNotTakenForAPrint)
{
    PrintingFixture f("short.txt", "text\n");
    f.presenter->output = f.folder / "missing" / "folder" / "out.pdf";
    auto* feature = f.window().feature<EditorWindow::PrintingFeature>();
    ASSERT_NE(feature, nullptr);
    EXPECT_FALSE(feature->printDocument());
    EXPECT_EQ(f.presenter->alerts, std::vector<QString>{QStringLiteral("인쇄하지 못했어요.")});
}
