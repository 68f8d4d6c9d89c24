#include "core/SnapshotUText.h"

#include <algorithm>
#include <string>

namespace EditorCore {
namespace {

struct SnapshotSource
{
    TextSnapshot snapshot;
    // The range of the snapshot the UText shows.
    std::int64_t base = 0;
    std::int64_t length = 0;
    // Where a chunk of one byte per unit is widened; valid until the next access.
    std::u16string widened;
};

SnapshotSource* sourceOf(const UText* ut)
{
    return static_cast<SnapshotSource*>(const_cast<void*>(ut->context));
}

// Makes the chunk holding native index `at` (0 <= at < length) the current one.
void loadChunk(UText* ut, std::int64_t at)
{
    SnapshotSource* source = sourceOf(ut);
    TextSnapshot::Piece piece = source->snapshot.chunkAt(source->base + at, source->widened);
    const std::int64_t pieceEnd = piece.start + static_cast<std::int64_t>(piece.units.size());
    const std::int64_t start = std::max(piece.start, source->base);
    const std::int64_t end = std::min(pieceEnd, source->base + source->length);
    ut->chunkContents = reinterpret_cast<const UChar*>(piece.units.data() + (start - piece.start));
    ut->chunkNativeStart = start - source->base;
    ut->chunkNativeLimit = end - source->base;
    ut->chunkLength = static_cast<int32_t>(end - start);
    ut->nativeIndexingLimit = ut->chunkLength;
}

void loadEmpty(UText* ut)
{
    static const UChar nothing[1] = {0};
    ut->chunkContents = nothing;
    ut->chunkNativeStart = 0;
    ut->chunkNativeLimit = 0;
    ut->chunkLength = 0;
    ut->nativeIndexingLimit = 0;
    ut->chunkOffset = 0;
}

int64_t U_CALLCONV snapshotLength(UText* ut) { return sourceOf(ut)->length; }

UBool U_CALLCONV snapshotAccess(UText* ut, int64_t index, UBool forward)
{
    const std::int64_t length = sourceOf(ut)->length;
    if (forward) {
        if (index >= ut->chunkNativeStart && index < ut->chunkNativeLimit) {
            ut->chunkOffset = static_cast<int32_t>(index - ut->chunkNativeStart);
            return true;
        }
        if (index >= length) {
            if (length == 0) {
                loadEmpty(ut);
            } else {
                loadChunk(ut, length - 1);
                ut->chunkOffset = ut->chunkLength;
            }
            return false;
        }
        index = std::max<int64_t>(index, 0);
        loadChunk(ut, index);
        ut->chunkOffset = static_cast<int32_t>(index - ut->chunkNativeStart);
        return true;
    }
    if (index > ut->chunkNativeStart && index <= ut->chunkNativeLimit) {
        ut->chunkOffset = static_cast<int32_t>(index - ut->chunkNativeStart);
        return true;
    }
    if (index <= 0) {
        if (length == 0)
            loadEmpty(ut);
        else
            loadChunk(ut, 0);
        ut->chunkOffset = 0;
        return false;
    }
    index = std::min<int64_t>(index, length);
    loadChunk(ut, index - 1);
    ut->chunkOffset = static_cast<int32_t>(index - ut->chunkNativeStart);
    return true;
}

int32_t U_CALLCONV snapshotExtract(UText* ut,
                                   int64_t start,
                                   int64_t limit,
                                   UChar* dest,
                                   int32_t capacity,
                                   UErrorCode* status)
{
    if (U_FAILURE(*status))
        return 0;
    if (capacity < 0 || (dest == nullptr && capacity > 0) || start > limit) {
        *status = U_ILLEGAL_ARGUMENT_ERROR;
        return 0;
    }
    SnapshotSource* source = sourceOf(ut);
    start = std::clamp<int64_t>(start, 0, source->length);
    limit = std::clamp<int64_t>(limit, start, source->length);
    std::int64_t written = 0;
    source->snapshot.visit(source->base + start, limit - start, [&](std::u16string_view piece) {
        const std::int64_t room = std::max<std::int64_t>(capacity - written, 0);
        const std::int64_t n = std::min<std::int64_t>(room, static_cast<std::int64_t>(piece.size()));
        std::copy_n(piece.data(), n, dest + written);
        written += n;
        return written < capacity;
    });
    const auto total = static_cast<int32_t>(limit - start);
    // The iteration position ends after the extracted text, as with the library's own texts.
    snapshotAccess(ut, limit, true);
    if (total < capacity)
        dest[total] = 0;
    else if (total == capacity)
        *status = U_STRING_NOT_TERMINATED_WARNING;
    else
        *status = U_BUFFER_OVERFLOW_ERROR;
    return total;
}

int32_t U_CALLCONV snapshotReplace(UText*, int64_t, int64_t, const UChar*, int32_t, UErrorCode* status)
{
    *status = U_NO_WRITE_PERMISSION;
    return 0;
}

void U_CALLCONV snapshotCopy(UText*, int64_t, int64_t, int64_t, UBool, UErrorCode* status)
{
    *status = U_NO_WRITE_PERMISSION;
}

void U_CALLCONV snapshotClose(UText* ut)
{
    delete sourceOf(ut);
    ut->context = nullptr;
}

UText* U_CALLCONV snapshotClone(UText* dest, const UText* src, UBool deep, UErrorCode* status);

const UTextFuncs& snapshotFuncs()
{
    static const UTextFuncs funcs = [] {
        UTextFuncs f{};
        f.tableSize = sizeof(UTextFuncs);
        f.clone = snapshotClone;
        f.nativeLength = snapshotLength;
        f.access = snapshotAccess;
        f.extract = snapshotExtract;
        f.replace = snapshotReplace;
        f.copy = snapshotCopy;
        f.close = snapshotClose;
        return f;
    }();
    return funcs;
}

UText* open(UText* ut, SnapshotSource* source, UErrorCode* status)
{
    ut = utext_setup(ut, 0, status);
    if (U_FAILURE(*status)) {
        delete source;
        return ut;
    }
    ut->pFuncs = &snapshotFuncs();
    ut->context = source;
    ut->providerProperties = 0;
    loadEmpty(ut);
    if (source->length > 0)
        loadChunk(ut, 0);
    return ut;
}

// The snapshot is immutable, so a deep clone is a shallow one.
UText* U_CALLCONV snapshotClone(UText* dest, const UText* src, UBool, UErrorCode* status)
{
    if (U_FAILURE(*status))
        return dest;
    const SnapshotSource* from = sourceOf(src);
    auto* source = new SnapshotSource{from->snapshot, from->base, from->length, {}};
    const std::int64_t index = utext_getNativeIndex(src);
    dest = open(dest, source, status);
    if (U_SUCCESS(*status))
        snapshotAccess(dest, index, true);
    return dest;
}

} // namespace

UText* openSnapshotUText(UText* ut,
                         const TextSnapshot& snapshot,
                         std::int64_t location,
                         std::int64_t length,
                         UErrorCode* status)
{
    if (U_FAILURE(*status))
        return ut;
    const std::int64_t size = snapshot.length();
    const std::int64_t start = std::clamp<std::int64_t>(location, 0, size);
    const std::int64_t end =
        std::clamp<std::int64_t>(location + std::max<std::int64_t>(length, 0), start, size);
    return open(ut, new SnapshotSource{snapshot, start, end - start, {}}, status);
}

} // namespace EditorCore
