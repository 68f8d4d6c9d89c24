#pragma once

#include "core/TextEncoding.h"

#include <string>
#include <variant>
#include <vector>

namespace EditorCore {

// The document layer's error. Its user-visible descriptions belong to the document layer.
struct DocumentError
{
    // The chosen encoding cannot hold these characters (extended grapheme clusters).
    struct Unencodable
    {
        TextEncoding encoding = TextEncoding::utf8;
        std::vector<std::u16string> characters;
        bool operator==(const Unencodable&) const = default;
    };
    // Saving in the file's encoding would change bytes the file had: it holds these
    // characters in more than one byte form, and all are written in the table's form. Said
    // once, before the first such save writes anything.
    struct FormsRewritten
    {
        TextEncoding encoding = TextEncoding::utf8;
        std::vector<std::u16string> characters;
        bool operator==(const FormsRewritten&) const = default;
    };
    // The file does not look like text.
    struct Binary
    {
        bool operator==(const Binary&) const = default;
    };

    std::variant<Unencodable, Binary, FormsRewritten> payload;

    static DocumentError unencodable(TextEncoding encoding, std::vector<std::u16string> characters)
    {
        return {Unencodable{encoding, std::move(characters)}};
    }
    static DocumentError binary() { return {Binary{}}; }
    static DocumentError formsRewritten(TextEncoding encoding,
                                        std::vector<std::u16string> characters)
    {
        return {FormsRewritten{encoding, std::move(characters)}};
    }

    bool operator==(const DocumentError&) const = default;
};

} // namespace EditorCore
