#include "app/kit/ActionRouter.h"
#include "app/kit/DialogFocusReturn.h"
#include "app/kit/HostWindow.h"
#include "app/kit/TabPage.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace EditorKit;

// Whatever dialog closed, the text that had the keyboard has it again and the window's
// shortcuts answer, without a click.
TEST(DialogFocusReturn, theFocusAndTheWindowsShortcutsComeBackAfterADialog)
{
    DialogFocusReturn::install();
    ActionRouter router;
    HostWindow window(router);
    auto* page = new TabPage;
    auto* text = new QLineEdit(page);
    (new QVBoxLayout(page))->addWidget(text);
    window.addPage(page);
    int fired = 0;
    auto* addCaret = new QAction(&window);
    addCaret->setShortcut(QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_F12)); // a chord no command takes
    window.addAction(addCaret);
    QObject::connect(addCaret, &QAction::triggered, [&fired] { ++fired; });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    text->setFocus();
    QTest::keyClick(text, Qt::Key_F12, Qt::AltModifier | Qt::ShiftModifier);
    ASSERT_EQ(fired, 1) << "the shortcut answers before any dialog";

    struct Case
    {
        const char* name;
        std::function<QDialog*()> make;
    };
    const Case cases[] = {
        {"a dialog over the window",
         [&] {
             auto* dialog = new QDialog(&window);
             (new QVBoxLayout(dialog))->addWidget(new QLineEdit(dialog));
             return dialog;
         }},
        {"a message box without a parent", [] { return new QMessageBox(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        text->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return text->hasFocus(); }));
        QDialog* dialog = c.make();
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
        dialog->reject();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return QApplication::activeWindow() == &window && text->hasFocus(); }));
        const int before = fired;
        QTest::keyClick(text, Qt::Key_F12, Qt::AltModifier | Qt::ShiftModifier);
        EXPECT_EQ(fired, before + 1);
    }
}
