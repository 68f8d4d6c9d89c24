#include "app/kit/Presenter.h"

#include "app/kit/Localized.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>

namespace EditorKit {

namespace {

// The message box lays its texts out in a grid with the buttons in the last row: the
// accessory goes into that row and the buttons one row down.
void addAccessory(QMessageBox& box, const QString& text)
{
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    auto* buttons = box.findChild<QDialogButtonBox*>();
    if (!grid || !buttons)
        return;
    const int index = grid->indexOf(buttons);
    if (index < 0)
        return;
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
    grid->removeWidget(buttons);
    auto* label = new QLabel(text, &box);
    label->setObjectName(QStringLiteral("alertAccessory"));
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(11);
    font.setWeight(QFont::Normal);
    label->setFont(font);
    QPalette colors = label->palette();
    QColor secondary = colors.color(QPalette::WindowText);
    secondary.setAlphaF(0.6);
    colors.setColor(QPalette::WindowText, secondary);
    label->setPalette(colors);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(label, row, std::min(1, grid->columnCount() - 1), 1, std::max(1, columnSpan - 1));
    grid->addWidget(buttons, row + 1, column, rowSpan, columnSpan);
}

} // namespace

int WidgetPresenter::runAlert(const Alert& alert, QWidget* parent)
{
    QMessageBox box(parent);
    switch (alert.style) {
    case Alert::Style::informational:
        box.setIcon(QMessageBox::Information);
        break;
    case Alert::Style::warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Alert::Style::critical:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    if (alert.subject.isEmpty()) {
        box.setText(alert.text);
    } else {
        box.setWindowTitle(alert.subject);
        box.setText(localized("「%1」").arg(alert.subject) + QLatin1Char('\n') + alert.text);
    }
    box.setInformativeText(alert.informativeText);
    std::vector<QPushButton*> buttons;
    for (std::size_t i = 0; i < alert.buttons.size(); ++i) {
        const int index = static_cast<int>(i);
        QMessageBox::ButtonRole role = QMessageBox::ActionRole;
        if (alert.cancelButton && *alert.cancelButton == index)
            role = QMessageBox::RejectRole;
        else if (alert.destructiveButton && *alert.destructiveButton == index)
            role = QMessageBox::DestructiveRole;
        else if (index == alert.defaultButton)
            role = QMessageBox::AcceptRole;
        buttons.push_back(box.addButton(alert.buttons[i], role));
    }
    if (alert.defaultButton >= 0 && alert.defaultButton < static_cast<int>(buttons.size()))
        box.setDefaultButton(buttons[static_cast<std::size_t>(alert.defaultButton)]);
    if (alert.cancelButton && *alert.cancelButton >= 0
        && *alert.cancelButton < static_cast<int>(buttons.size()))
        box.setEscapeButton(buttons[static_cast<std::size_t>(*alert.cancelButton)]);
    if (!alert.accessoryText.isEmpty())
        addAccessory(box, alert.accessoryText);
    box.exec();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (box.clickedButton() == buttons[i])
            return static_cast<int>(i);
    }
    return alert.cancelButton.value_or(alert.defaultButton);
}

std::optional<std::filesystem::path> WidgetPresenter::runSavePanel(QWidget* parent,
                                                                   const QString& suggestedName)
{
    QString chosen = QFileDialog::getSaveFileName(parent, QString(), suggestedName);
    if (chosen.isEmpty())
        return std::nullopt;
    return std::filesystem::path(chosen.toStdString());
}

bool WidgetPresenter::runPrintPanel(QPrinter& printer, QWidget* parent)
{
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

std::vector<std::filesystem::path> WidgetPresenter::runOpenPanel(QWidget* parent)
{
    std::vector<std::filesystem::path> chosen;
    for (const QString& file : QFileDialog::getOpenFileNames(parent))
        chosen.emplace_back(file.toStdString());
    return chosen;
}

std::optional<std::filesystem::path> WidgetPresenter::runOpenFolderPanel(QWidget* parent)
{
    QFileDialog dialog(parent);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    // Qt's own title ("Find Directory") names another task and stays English without Qt's
    // translations.
    dialog.setWindowTitle(localized("폴더 열기"));
    dialog.setLabelText(QFileDialog::Accept, localized("폴더 열기"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return std::filesystem::path(dialog.selectedFiles().front().toStdString());
}

} // namespace EditorKit
