#pragma once

#include "app/documents/DocumentFailure.h"

#include <QString>

// The user-visible descriptions of the documents' failures, looked up by their Korean text.
namespace EditorDocuments::DocumentTexts {

QString describe(const EditorCore::DocumentError& error);
// The same, naming the encoding as given: the window passes the name its status bar shows.
QString describe(const EditorCore::DocumentError& error, const QString& encodingName);
QString describe(const AdminWriter::Failure& failure);
QString describe(const DocumentFailure& failure);

// "<file name> — 저장 못 한 고침", "<name> — 바깥 것", "이름 없음".
QString rescuedTitle(const QString& fileName);
QString externalCopyTitle(const QString& sourceName);
QString untitledName();

} // namespace EditorDocuments::DocumentTexts
