#pragma once

#include "core/ByteForms.h"
#include "core/TextCodec.h"
#include "core/TextEncoding.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>

namespace EditorCore {

// Takes bytes in order, piece by piece; false refuses the piece and stops whoever makes them.
// A piece is valid only during the call.
using ByteSink = std::function<bool(std::span<const std::uint8_t>)>;

// Encodes a text that comes in consecutive pieces and hands the bytes on as they are made, so
// that neither the whole text nor its whole encoding is held at once. The bytes are those of
// TextCodec::encode of the whole text wherever the pieces are cut, even inside a surrogate
// pair: the converter's state (a shift state, a lead surrogate waiting for its trail) goes on
// from one piece to the next and is flushed by `finish`. One text per encoder; one thread at a
// time.
class TextEncoder
{
public:
    // Why the encoder stopped taking pieces.
    enum class Stop {
        none,
        unencodable, // a character (or an unpaired surrogate) the encoding cannot represent
        sinkStopped, // the sink refused a piece
    };

    // The mark is handed on first when asked for and the encoding has one.
    TextEncoder(TextEncoding encoding, AddByteOrderMark add, const ByteForms& forms, ByteSink sink);
    ~TextEncoder();
    TextEncoder(TextEncoder&&) noexcept;
    TextEncoder& operator=(TextEncoder&&) noexcept;

    // False once the encoder has stopped; it then takes nothing more.
    bool add(std::u16string_view piece);
    // Flushes the converter and the bytes still held to the sink; false when the encoder
    // stopped, now or before.
    bool finish();

    Stop stop() const;
    // The bytes handed to the sink so far.
    std::uint64_t byteCount() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace EditorCore
