#include "app/documents/DocumentTexts.h"

#include "app/kit/AppLog.h"
#include "app/kit/Localized.h"

#include <QStringList>

namespace EditorDocuments {

const EditorCore::DocumentError* findDocumentError(const DocumentFailure& failure)
{
    return std::get_if<EditorCore::DocumentError>(&failure);
}

std::string describeForLog(const DocumentFailure& failure)
{
    return std::visit(
        [](const auto& error) -> std::string {
            using T = std::decay_t<decltype(error)>;
            if constexpr (std::is_same_v<T, AdminWriter::Failure>) {
                return error.isCancelled() ? std::string("EditorDocuments.AdminWriter.Failure(1)")
                                           : std::string("EditorDocuments.AdminWriter.Failure(0)");
            } else {
                return AppLog::describe(error);
            }
        },
        failure);
}

namespace DocumentTexts {

namespace {

// Fills the "%@" places of a localized text in order.
QString filled(const QString& format, const QStringList& values)
{
    QString result;
    qsizetype next = 0;
    qsizetype start = 0;
    for (;;) {
        auto at = format.indexOf(QLatin1String("%@"), start);
        if (at < 0 || next >= values.size())
            break;
        result += format.mid(start, at - start);
        result += values[next++];
        start = at + 2;
    }
    result += format.mid(start);
    return result;
}

} // namespace

QString describe(const EditorCore::DocumentError& error)
{
    QString encoding;
    if (const auto* unencodable =
            std::get_if<EditorCore::DocumentError::Unencodable>(&error.payload)) {
        const auto raw = EditorCore::rawValue(unencodable->encoding);
        encoding = QString::fromLatin1(raw.data(), static_cast<qsizetype>(raw.size())).toUpper();
    }
    return describe(error, encoding);
}

QString describe(const EditorCore::DocumentError& error, const QString& encodingName)
{
    if (const auto* unencodable =
            std::get_if<EditorCore::DocumentError::Unencodable>(&error.payload)) {
        QString characters;
        for (const auto& character : unencodable->characters)
            characters += QString::fromStdU16String(character);
        return filled(EditorKit::localized(
                          "「%@」 는 %@ 로 쓸 수 없어 저장을 멈췄어요. 고친 내용은 그대로 있어요."),
                      {characters, encodingName});
    }
    if (const auto* rewritten =
            std::get_if<EditorCore::DocumentError::FormsRewritten>(&error.payload)) {
        QString characters;
        for (const auto& character : rewritten->characters)
            characters += QString::fromStdU16String(character);
        const auto raw = EditorCore::rawValue(rewritten->encoding);
        const auto encoding =
            QString::fromLatin1(raw.data(), static_cast<qsizetype>(raw.size())).toUpper();
        return filled(
            EditorKit::localized("「%@」 가 이 파일에 두 가지 바이트로 들어 있어, %@ 표의 "
                                 "바이트로 맞춰 쓰면 파일이 바뀌어요. 저장을 멈췄어요 — "
                                 "한 번 더 저장하면 그렇게 써요."),
            {characters, encoding});
    }
    return EditorKit::localized("글자 파일이 아닌 것 같아 열지 않았어요.");
}

QString describe(const AdminWriter::Failure& failure)
{
    if (failure.isCancelled())
        return EditorKit::localized("관리자 암호 창에서 취소했어요.");
    return filled(EditorKit::localized("관리자 권한으로 저장하지 못했어요 — %@"),
                  {QString::fromStdString(failure.message())});
}

QString describe(const DocumentFailure& failure)
{
    return std::visit(
        [](const auto& error) -> QString {
            using T = std::decay_t<decltype(error)>;
            if constexpr (std::is_same_v<
                              T,
                              EditorCore::
                                  DocumentError> || std::is_same_v<T, AdminWriter::Failure>) {
                return describe(error);
            } else if constexpr (std::is_same_v<T, std::error_code>) {
                return QString::fromStdString(error.message());
            } else {
                return QString::fromStdString(AppLog::describe(error));
            }
        },
        failure);
}

QString rescuedTitle(const QString& fileName)
{
    return filled(EditorKit::localized("%@ — 저장 못 한 고침"), {fileName});
}

QString externalCopyTitle(const QString& sourceName)
{
    return filled(EditorKit::localized("%@ — 바깥 것"), {sourceName});
}

QString untitledName()
{
    return EditorKit::localized("이름 없음");
}

} // namespace DocumentTexts
} // namespace EditorDocuments
