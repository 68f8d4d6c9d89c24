#include "app/window/print/PrintingFeature.h"

#include "app/kit/Localized.h"
#include "app/kit/Presenter.h"
#include "app/kit/TabPage.h"
#include "app/window/print/DocumentPrinting.h"
#include "app/window/DocumentWindowController.h"

#include <QDateTime>
#include <QPrinter>
#include <QProgressDialog>

#include <chrono>

namespace EditorWindow {

PrintingFeature::PrintingFeature() = default;
PrintingFeature::~PrintingFeature() = default;

void PrintingFeature::attach(DocumentWindowController& window)
{
    m_window = &window;
}

void PrintingFeature::detach()
{
    m_window = nullptr;
}

bool PrintingFeature::respondsToAction(std::string_view action) const
{
    return action == "printDocument:";
}

bool PrintingFeature::validateAction(std::string_view action, const EditorKit::ActionSender&) const
{
    return respondsToAction(action) && m_window;
}

void PrintingFeature::performAction(std::string_view action, const EditorKit::ActionSender&)
{
    if (action == "printDocument:")
        printDocument();
}

QPrinter& PrintingFeature::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

EditorKit::Presenter& PrintingFeature::presenter()
{
    if (m_window && m_window->environment().presenter)
        return *m_window->environment().presenter;
    if (!m_ownPresenter)
        m_ownPresenter = std::make_shared<EditorKit::WidgetPresenter>();
    return *m_ownPresenter;
}

bool PrintingFeature::printDocument()
{
    if (!m_window)
        return false;
    QWidget* parent = m_window->page();
    QPrinter& target = printer();
    target.setDocName(printSource(*m_window).title);
    if (!presenter().runPrintPanel(target, parent) || !m_window)
        return false;

    // The text as it is once the panel closed; the date of the header is the print's.
    const auto& environment = m_window->environment();
    const auto now = environment.now ? environment.now() : std::chrono::system_clock::now();
    const QDateTime date = QDateTime::fromMSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count());

    // The progress panel shows only when the print takes a while; its button stops it.
    QProgressDialog progress(
        EditorKit::localized("인쇄하는 중…"), EditorKit::localized("취소"), 0, 100, parent);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    const PrintPaginator paginator = paginatorFor(
        *m_window, printableSize(target), date, [&progress](std::int64_t done, std::int64_t total) {
            // The first half of the bar is the layout, the second the pages.
            progress.setValue(static_cast<int>(total > 0 ? done * 50 / total : 0));
            return !progress.wasCanceled();
        });
    if (paginator.wasCancelled())
        return false;
    target.setDocName(paginator.title());
    const bool printed = printPages(paginator, target, [&progress](int donePages, int pageCount) {
        progress.setValue(50 + (pageCount > 0 ? donePages * 50 / pageCount : 0));
        return !progress.wasCanceled();
    });
    const bool cancelled = progress.wasCanceled();
    progress.close();
    if (printed || cancelled)
        return printed;

    EditorKit::Alert alert;
    alert.style = EditorKit::Alert::Style::warning;
    alert.text = EditorKit::localized("인쇄하지 못했어요.");
    alert.buttons = {EditorKit::localized("확인")};
    alert.cancelButton = 0;
    presenter().runAlert(alert, m_window ? m_window->page() : nullptr);
    return false;
}

} // namespace EditorWindow
