#pragma once

#include "core/DoubleByteTable.h"
#include "core/TextEncoding.h"

#include <array>
#include <cstdint>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace EditorCore {

// One byte sequence of a legacy encoding, up to three bytes long.
struct ByteForm
{
    char16_t character = 0;
    std::uint8_t length = 0;
    std::array<std::uint8_t, 3> bytes{};

    std::span<const std::uint8_t> sequence() const { return {bytes.data(), length}; }
    bool operator==(const ByteForm&) const = default;
};

std::ostream& operator<<(std::ostream&, const ByteForm&);

// A table that decodes several byte sequences to one character encodes it back in one of them
// only (windows-31j: both 87 90 and 81 E0 read as U+2252, which is written 81 E0), and for four
// EUC-JP sequences in none. The forms a file used for such characters are noted when it is
// read, so that saving it in its own encoding gives its bytes back. A value: copies are
// independent and any thread may read one.
class ByteForms
{
public:
    // Empty: every character is written in the table's form.
    ByteForms() = default;

    // Whether some character of the encoding's table decodes from a sequence that encoding it
    // does not give back: windows-31j, EUC-JP and Big5 (a list the tests keep true by
    // generating every table). Their forms are found once per process by decoding every one-
    // and two-byte sequence (and every three-byte EUC-JP one) and encoding the result again.
    static bool hasSeveralForms(TextEncoding encoding);

    // The forms used by `bytes`, which are whole characters that decode to `text` in
    // `encoding` (without a byte-order mark). Costs one pass over the text, and one over the
    // bytes only when the text holds a character with several forms; nothing for the other
    // encodings. TextCodec::decode with a Reader does the same at less cost.
    static ByteForms
    read(std::span<const std::uint8_t> bytes, std::u16string_view text, TextEncoding encoding);

    // The same over a file read in pieces, each made of whole characters.
    class Reader
    {
    public:
        explicit Reader(TextEncoding encoding);
        ~Reader();
        Reader(Reader&&) noexcept;
        Reader& operator=(Reader&&) noexcept;

        void add(std::span<const std::uint8_t> bytes, std::u16string_view text);
        [[nodiscard]] ByteForms result() const;

        TextEncoding encoding() const;
        // For a decoder that looks at every pair anyway: the pairs that are a form of a
        // character with several, each to be handed to `notePair` as it occurs, in place of
        // `add`. Null when a form of another length counts.
        const DoubleByteTable::PairSet* watchedPairs() const;
        void notePair(std::uint16_t pair);

    private:
        struct State;
        std::unique_ptr<State> m_state;
    };

    TextEncoding encoding() const { return m_encoding; }
    bool isEmpty() const { return m_kept.empty() && m_mixed.empty(); }

    // Characters a save writes in the file's form rather than the table's, by character.
    const std::vector<ByteForm>& kept() const { return m_kept; }
    // Characters the file had in more than one form: a save writes the table's form (or, for a
    // character the table cannot write, the first form the file used), changing the bytes of
    // the other occurrences. In order of character.
    const std::vector<char16_t>& mixed() const { return m_mixed; }

    // The mixed characters that occur in `text`, in order of first appearance, at most `limit`.
    [[nodiscard]] std::vector<std::u16string> rewrittenCharacters(std::u16string_view text,
                                                                  std::size_t limit) const;
    // Once the change of bytes is accepted, the mixed characters no longer count as such.
    void acceptTableForms() { m_mixed.clear(); }

    bool operator==(const ByteForms&) const = default;

private:
    friend class Reader;

    TextEncoding m_encoding = TextEncoding::utf8;
    std::vector<ByteForm> m_kept;
    std::vector<char16_t> m_mixed;
};

std::ostream& operator<<(std::ostream&, const ByteForms&);

} // namespace EditorCore
