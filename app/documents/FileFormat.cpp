#include "app/documents/FileFormat.h"

namespace EditorDocuments {

FileFormat FileFormat::newDocumentDefault(std::string_view encodingRawValue, bool byteOrderMark)
{
    FileFormat format;
    format.encoding = EditorCore::textEncodingFromRawValue(encodingRawValue)
                          .value_or(EditorCore::TextEncoding::utf8);
    format.hasByteOrderMark = byteOrderMark && EditorCore::supportsByteOrderMark(format.encoding);
    return format;
}

std::ostream& operator<<(std::ostream& out, const FileFormat& format)
{
    out << "FileFormat{" << format.encoding << (format.hasByteOrderMark ? ", bom" : ", no bom");
    if (format.guess)
        out << ", guess " << *format.guess;
    if (!format.byteForms.isEmpty())
        out << ", " << format.byteForms;
    return out << '}';
}

std::string_view rawValue(ReadOnlyReason reason)
{
    switch (reason) {
    case ReadOnlyReason::userChose:
        return "userChose";
    case ReadOnlyReason::noPermission:
        return "noPermission";
    case ReadOnlyReason::externalCopy:
        return "externalCopy";
    case ReadOnlyReason::largeFile:
        return "largeFile";
    case ReadOnlyReason::notText:
        return "notText";
    }
    return "?";
}

std::ostream& operator<<(std::ostream& out, ReadOnlyReason reason)
{
    return out << rawValue(reason);
}

} // namespace EditorDocuments
