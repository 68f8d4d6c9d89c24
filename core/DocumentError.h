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
    // The file does not look like text.
    struct Binary
    {
        bool operator==(const Binary&) const = default;
    };

    std::variant<Unencodable, Binary> payload;

    static DocumentError unencodable(TextEncoding encoding, std::vector<std::u16string> characters)
    {
        return {Unencodable{encoding, std::move(characters)}};
    }
    static DocumentError binary() { return {Binary{}}; }

    bool operator==(const DocumentError&) const = default;
};

} // namespace EditorCore
