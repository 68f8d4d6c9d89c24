#include "app/views/GlyphCoverage.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QTextLayout>

namespace EditorViews::GlyphCoverage {

bool isCandidate(char32_t scalar)
{
    if (scalar < 0x00A1 || scalar > 0x10FFFF)
        return false;
    switch (QChar::category(scalar)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return false;
    default:
        return true;
    }
}

bool canDraw(const QFont& font, char32_t scalar)
{
    if (!isCandidate(scalar))
        return true;
    static QHash<QString, QHash<char32_t, bool>> known;
    QHash<char32_t, bool>& forFamily = known[font.family()];
    if (auto found = forFamily.constFind(scalar); found != forFamily.constEnd())
        return *found;
    bool drawable = QFontMetricsF(font).inFontUcs4(scalar);
    if (!drawable) {
        // Laid out alone, the character takes a fallback font when one has it; without one the
        // layout holds the missing-glyph index 0.
        const char32_t units[] = {scalar};
        QTextLayout layout(QString::fromUcs4(units, 1), font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        for (const QGlyphRun& run : layout.glyphRuns()) {
            for (quint32 glyph : run.glyphIndexes())
                drawable = drawable || glyph != 0;
        }
    }
    if (forFamily.size() > 4096)
        forFamily.clear();
    forFamily.insert(scalar, drawable);
    return drawable;
}

} // namespace EditorViews::GlyphCoverage
