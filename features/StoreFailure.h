#pragma once

#include "features/SignedIndex.h"

#include <ostream>
#include <string>
#include <variant>

namespace EditorFeatures {

// Why installing from a download server failed; shared by the grammar and formatter stores.
struct StoreFailure
{
    // A fetch failed: "HTTP <status>" or the transport's own description.
    struct Download
    {
        std::string text;
        bool operator==(const Download&) const = default;
    };
    // The index did not pass verification.
    struct Index
    {
        IndexFailure reason = IndexFailure::unreadable;
        bool operator==(const Index&) const = default;
    };
    // The archive could not be unpacked or put in place: a missing member's name followed by
    // " 없음", or a description of the refusal or file-system error.
    struct Unpack
    {
        std::string text;
        bool operator==(const Unpack&) const = default;
    };
    // The index has no entry for what was asked, or lacks one it requires.
    struct NotAvailable
    {
        bool operator==(const NotAvailable&) const = default;
    };
    // The archive's size or digest differs from its index entry.
    struct Corrupted
    {
        bool operator==(const Corrupted&) const = default;
    };

    std::variant<Download, Index, Unpack, NotAvailable, Corrupted> value;

    static StoreFailure download(std::string text) { return {Download{std::move(text)}}; }
    static StoreFailure index(IndexFailure reason) { return {Index{reason}}; }
    static StoreFailure unpack(std::string text) { return {Unpack{std::move(text)}}; }
    static StoreFailure notAvailable() { return {NotAvailable{}}; }
    static StoreFailure corrupted() { return {Corrupted{}}; }

    bool operator==(const StoreFailure&) const = default;
};

std::ostream& operator<<(std::ostream&, const StoreFailure&);

} // namespace EditorFeatures
