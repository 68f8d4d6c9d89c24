#include "app/window/StatusContent.h"

#include "app/views/TextStorage.h"

#include "app/kit/Localized.h"
#include "app/window/DisplayNames.h"
#include "app/window/WindowFormat.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace EditorWindow::StatusContent {
namespace {

std::int64_t graphemeCount(QStringView text)
{
    if (text.isEmpty())
        return 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.data(), text.size());
    std::int64_t count = 0;
    while (finder.toNextBoundary() >= 0)
        ++count;
    return count;
}

} // namespace

QString localizedWithNumber(std::string_view koreanText, std::int64_t number)
{
    QString text = EditorKit::localized(koreanText);
    text.replace(QLatin1String("%lld"), QString::number(number));
    return text;
}

QString localizedWithString(std::string_view koreanText, const QString& value)
{
    QString text = EditorKit::localized(koreanText);
    text.replace(QLatin1String("%@"), value);
    return text;
}

std::int64_t characterCount(QStringView text)
{
    return graphemeCount(text);
}

namespace {

// `mid(location, length)` reads a stretch of a text of `textLength` units.
template <typename Mid>
QString positionIn(std::int64_t textLength,
                   const Mid& mid,
                   const EditorCore::LineIndex& lineIndex,
                   EditorCore::TextRange selection,
                   std::optional<std::int64_t> selectedCharacters,
                   bool countPending)
{
    std::int64_t location = std::clamp<std::int64_t>(selection.location, 0, textLength);
    const std::int64_t line = lineIndex.lineNumber(location);
    const std::int64_t start = std::min(lineIndex.lineStart(line), textLength);
    if (start > location)
        location = start;
    const std::int64_t column = graphemeCount(mid(start, location - start)) + 1;
    QString result = QString::number(line) + QLatin1Char(':') + QString::number(column);
    const std::int64_t selectedLength =
        std::clamp<std::int64_t>(selection.length, 0, textLength - location);
    if (selectedLength > 0 && !countPending) {
        const std::int64_t count =
            selectedCharacters ? *selectedCharacters : graphemeCount(mid(location, selectedLength));
        result += QStringLiteral(" · ") + localizedWithNumber("선택 %lld", count);
    }
    return result;
}

} // namespace

QString positionText(QStringView text,
                     const EditorCore::LineIndex& lineIndex,
                     EditorCore::TextRange selection,
                     std::optional<std::int64_t> selectedCharacters,
                     bool countPending)
{
    return positionIn(
        text.size(),
        [text](std::int64_t from, std::int64_t length) { return text.mid(from, length); },
        lineIndex,
        selection,
        selectedCharacters,
        countPending);
}

QString positionText(const EditorCore::TextSnapshot& text,
                     const EditorCore::LineIndex& lineIndex,
                     EditorCore::TextRange selection,
                     std::optional<std::int64_t> selectedCharacters,
                     bool countPending)
{
    return positionIn(
        text.length(),
        [&text](std::int64_t from, std::int64_t length) {
            return EditorViews::snapshotText(text, from, length);
        },
        lineIndex,
        selection,
        selectedCharacters,
        countPending);
}

QString abbreviatedPath(const QString& path, const QString& homeFolder)
{
    QString home = homeFolder;
    while (home.size() > 1 && home.endsWith(QLatin1Char('/')))
        home.chop(1);
    if (home.isEmpty() || home == QLatin1String("/"))
        return path;
    if (path == home)
        return QStringLiteral("~");
    if (path.startsWith(home + QLatin1Char('/')))
        return QLatin1Char('~') + path.mid(home.size());
    return path;
}

StatusBarView::Content compute(const Inputs& inputs)
{
    StatusBarView::Content content;
    EditorCore::LineIndex empty;
    content.position = positionText(inputs.text,
                                    inputs.lineIndex ? *inputs.lineIndex : empty,
                                    inputs.selection,
                                    inputs.selectedCharacters,
                                    inputs.selectionCountPending);

    content.encoding = DisplayNames::shortName(inputs.encoding);
    if (inputs.hasByteOrderMark)
        content.encoding += QStringLiteral(" BOM");

    const bool mixed = inputs.lineEndings.isMixed();
    if (mixed) {
        content.lineEnding = EditorKit::localized("섞임");
    } else {
        auto ending = inputs.lineEndings.dominant().value_or(inputs.effectiveLineEnding);
        content.lineEnding = QString::fromLatin1(WindowFormat::upperCaseName(ending).data());
    }
    content.lineEndingWarning = mixed;

    content.indentation = inputs.indentStyle.usesTabs
                              ? localizedWithNumber("탭 %lld", inputs.indentStyle.width)
                              : localizedWithNumber("공백 %lld", inputs.indentStyle.width);

    const QByteArray languageKey = inputs.languageName.toUtf8();
    const QString language =
        EditorKit::localized(std::string_view(languageKey.constData(), languageKey.size()));
    content.language =
        inputs.syntaxTooLarge ? localizedWithString("%@ · 크기 때문에 색 끔", language) : language;

    content.problems = inputs.problems;
    if (inputs.suspiciousTotal >= 1)
        content.suspicious = localizedWithNumber("수상한 글자 %lld", inputs.suspiciousTotal);
    content.follow = inputs.follow;
    content.following = inputs.following;
    if (!inputs.editable)
        content.readOnly = EditorKit::localized("읽기 전용");
    if (inputs.filePath)
        content.path = abbreviatedPath(*inputs.filePath, inputs.homeFolder);
    return content;
}

} // namespace EditorWindow::StatusContent
