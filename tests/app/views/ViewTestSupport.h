#pragma once

#include "app/views/EditorColors.h"
#include "app/views/EditorFont.h"
#include "app/views/EditorTextView.h"
#include "app/views/TextStorage.h"

#include <QImage>
#include <QPalette>

#include <memory>

namespace ViewTest {

using namespace EditorViews;

// A view of a fixed size, font and palette, so pixels can be compared.
struct ViewFixture
{
    std::shared_ptr<EditorDisplayState> display = std::make_shared<EditorDisplayState>();
    std::unique_ptr<EditorTextView> view;

    explicit ViewFixture(const QString& text, int width = 400, int height = 200)
    {
        view = std::make_unique<EditorTextView>(display);
        QPalette palette = view->palette();
        palette.setColor(QPalette::Base, Qt::white);
        palette.setColor(QPalette::Window, QColor(236, 236, 236));
        palette.setColor(QPalette::Text, Qt::black);
        palette.setColor(QPalette::Highlight, QColor(0, 0, 255));
        view->setPalette(palette);
        QFont font = editorFont(QString("D2Coding"), 14.0, 1.0);
        view->setEditorFont(font, editorParagraphStyle(font, 4, 1.4));
        view->resize(width, height);
        view->storage().setText(text);
        view->setSelectedRange({0, 0});
    }

    QImage grab()
    {
        return view->viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    }
};

inline QRgb composite(QColor over, QRgb under)
{
    double a = over.alphaF();
    auto mix = [a](int top, int bottom) {
        return static_cast<int>(top * a + bottom * (1 - a) + 0.5);
    };
    return qRgb(mix(over.red(), qRed(under)),
                mix(over.green(), qGreen(under)),
                mix(over.blue(), qBlue(under)));
}

inline bool near(QRgb a, QRgb b, int tolerance = 3)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
           && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

} // namespace ViewTest
