#include "app/documents/SaveRules.h"

#include "platform/Folders.h"

#include <algorithm>
#include <string>
#include <unistd.h>

namespace EditorDocuments::SaveRules {

namespace {

std::filesystem::path normalized(const std::filesystem::path& path)
{
    std::error_code ignored;
    auto absolute = std::filesystem::absolute(path, ignored);
    return (absolute.empty() ? path : absolute).lexically_normal();
}

// Whether `path` lies strictly below `folder` (both normal).
bool isBelow(const std::filesystem::path& path, const std::filesystem::path& folder)
{
    auto p = path.begin();
    for (auto f = folder.begin(); f != folder.end(); ++f, ++p) {
        if (f->empty())
            continue; // the trailing empty element of "a/b/"
        if (p == path.end() || *p != *f)
            return false;
    }
    for (; p != path.end(); ++p) {
        if (!p->empty())
            return true;
    }
    return false;
}

} // namespace

bool isInTrash(const std::filesystem::path& path, const std::filesystem::path& dataHome, uid_t uid)
{
    const auto file = normalized(path);
    if (!dataHome.empty() && isBelow(file, normalized(dataHome / "Trash" / "files")))
        return true;

    const std::string user = std::to_string(uid);
    const std::string perUser = ".Trash-" + user;
    std::vector<std::string> parts;
    for (const auto& part : file)
        parts.push_back(part.string());
    // Something must follow "files" for the path to be inside the can.
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        if (parts[i] == ".Trash" && i + 3 < parts.size() && parts[i + 1] == user
            && parts[i + 2] == "files")
            return true;
        if (parts[i] == perUser && i + 2 < parts.size() && parts[i + 1] == "files")
            return true;
    }
    return false;
}

bool isInTrash(const std::filesystem::path& path)
{
    return isInTrash(path, Platform::Folders::dataHome(), ::getuid());
}

std::ostream& operator<<(std::ostream& out, SaveBlock block)
{
    switch (block) {
    case SaveBlock::none:
        return out << "none";
    case SaveBlock::inTrash:
        return out << "inTrash";
    case SaveBlock::changed:
        return out << "changed";
    case SaveBlock::missing:
        return out << "missing";
    }
    return out << '?';
}

SaveBlock saveBlock(const std::optional<std::filesystem::path>& file,
                    const std::optional<EditorCore::DiskIdentity>& stored)
{
    if (!file)
        return SaveBlock::none;
    if (isInTrash(*file))
        return SaveBlock::inTrash;
    if (!stored)
        return SaveBlock::none;
    switch (EditorCore::DiskIdentity::compare(*stored, *file).change) {
    case EditorCore::DiskIdentity::Change::same:
        return SaveBlock::none;
    case EditorCore::DiskIdentity::Change::changed:
        return SaveBlock::changed;
    case EditorCore::DiskIdentity::Change::missing:
        return SaveBlock::missing;
    }
    return SaveBlock::missing;
}

std::ostream& operator<<(std::ostream& out, SaveRefusal refusal)
{
    switch (refusal) {
    case SaveRefusal::pendingBinaryHead:
        return out << "pendingBinaryHead";
    case SaveRefusal::notText:
        return out << "notText";
    case SaveRefusal::partlyLoaded:
        return out << "partlyLoaded";
    case SaveRefusal::lossy:
        return out << "lossy";
    }
    return out << '?';
}

std::optional<SaveRefusal> explicitSaveRefusal(bool hasPendingBinaryHead,
                                               const std::optional<ReadOnlyReason>& readOnlyReason,
                                               const std::optional<LargeFileState>& largeFile)
{
    if (hasPendingBinaryHead)
        return SaveRefusal::pendingBinaryHead;
    if (readOnlyReason == ReadOnlyReason::notText)
        return SaveRefusal::notText;
    if (largeFile && largeFile->loadedBytes < largeFile->size)
        return SaveRefusal::partlyLoaded;
    if (largeFile && largeFile->lossy)
        return SaveRefusal::lossy;
    return std::nullopt;
}

EditorCore::Result<std::vector<std::uint8_t>, EncodeFailure> encodedData(std::u16string_view text,
                                                                         const FileFormat& format)
{
    auto bytes =
        EditorCore::TextCodec::encode(text,
                                      format.encoding,
                                      format.hasByteOrderMark ? EditorCore::AddByteOrderMark::yes
                                                              : EditorCore::AddByteOrderMark::no,
                                      format.byteForms);
    if (!bytes) {
        if (const auto* unencodable = bytes.error().unencodable()) {
            return EditorCore::failure(EncodeFailure{EditorCore::DocumentError::unencodable(
                unencodable->encoding, unencodable->characters)});
        }
        return EditorCore::failure(EncodeFailure{bytes.error()});
    }
    if (format.byteForms.encoding() == format.encoding) {
        auto rewritten =
            format.byteForms.rewrittenCharacters(text, EditorCore::TextCodec::encodeErrorLimit);
        if (!rewritten.empty())
            return EditorCore::failure(EncodeFailure{
                EditorCore::DocumentError::formsRewritten(format.encoding, std::move(rewritten))});
    }
    return std::move(*bytes);
}

EditorCore::Result<std::uint64_t, std::optional<EncodeFailure>>
writeEncoded(const EditorCore::TextSnapshot& text,
             const FileFormat& format,
             const std::function<bool(std::span<const std::uint8_t>)>& sink)
{
    auto count =
        EditorCore::TextCodec::encode(text,
                                      format.encoding,
                                      format.hasByteOrderMark ? EditorCore::AddByteOrderMark::yes
                                                              : EditorCore::AddByteOrderMark::no,
                                      format.byteForms,
                                      sink);
    if (!count) {
        const auto* codec = std::get_if<EditorCore::TextCodecError>(&count.error());
        if (codec == nullptr)
            return EditorCore::failure(std::optional<EncodeFailure>());
        if (const auto* unencodable = codec->unencodable()) {
            return EditorCore::failure(
                std::optional<EncodeFailure>(EncodeFailure{EditorCore::DocumentError::unencodable(
                    unencodable->encoding, unencodable->characters)}));
        }
        return EditorCore::failure(std::optional<EncodeFailure>(EncodeFailure{*codec}));
    }
    if (format.byteForms.encoding() == format.encoding && !format.byteForms.mixed().empty()) {
        // Every piece is asked for all the mixed characters it holds, so that one listed
        // already does not hide a new one behind it.
        const std::size_t limit = EditorCore::TextCodec::encodeErrorLimit;
        std::vector<std::u16string> rewritten;
        text.visit(0, text.length(), [&](std::u16string_view piece) {
            for (auto& character :
                 format.byteForms.rewrittenCharacters(piece, format.byteForms.mixed().size())) {
                if (std::find(rewritten.begin(), rewritten.end(), character) == rewritten.end())
                    rewritten.push_back(std::move(character));
                if (rewritten.size() == limit)
                    return false;
            }
            return true;
        });
        if (!rewritten.empty())
            return EditorCore::failure(std::optional<EncodeFailure>(EncodeFailure{
                EditorCore::DocumentError::formsRewritten(format.encoding, std::move(rewritten))}));
    }
    return *count;
}

} // namespace EditorDocuments::SaveRules
