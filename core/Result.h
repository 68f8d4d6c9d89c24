#pragma once

#include <tl/expected.hpp>

namespace EditorCore {

// The result of an operation that can fail with a typed error.
template<class T, class E>
using Result = tl::expected<T, E>;

template<class E>
[[nodiscard]] inline tl::unexpected<E> failure(E error)
{
    return tl::unexpected<E>(std::move(error));
}

} // namespace EditorCore
