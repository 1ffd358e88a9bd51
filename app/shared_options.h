// The options record shared between the main thread, which changes an
// option from the menu, and the worker, which reads it for every file: each
// numeric option is read and written as one atomic 16-bit word, so a read
// during a change gives the old or the new value. Strings change only while
// no job runs.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "engine/options.h"

namespace vorlax::app {

inline std::int16_t LoadShared(const std::int16_t& option) {
    return std::atomic_ref<std::int16_t>(const_cast<std::int16_t&>(option)).load(std::memory_order_relaxed);
}

inline void StoreShared(std::int16_t& option, std::int16_t value) {
    std::atomic_ref<std::int16_t>(option).store(value, std::memory_order_relaxed);
}

// A copy of the record for one conversion, every number read atomically.
inline Options SnapshotOptions(const Options& shared) {
    Options& from = const_cast<Options&>(shared);
    Options copy;
    for (const OptionEntry& entry : kOptionTable) {
        const OptionField source = FieldOf(from, entry), target = FieldOf(copy, entry);
        if (source.number) *target.number = LoadShared(*source.number);
        else std::memcpy(target.text, source.text, source.capacity);
    }
    return copy;
}

}  // namespace vorlax::app
