// Storage for engine objects addressed by 32-bit handles: the low 20 bits are a slot index
// plus one, the high 12 bits the slot's generation. Freeing a slot bumps its generation, so
// a stale handle no longer matches and is ignored instead of reaching a newer object.
// Handle 0 is never issued.
#pragma once

#include <cstdint>
#include <vector>

namespace platform {

template <typename T>
class HandlePool {
public:
    static constexpr std::uint32_t kIndexBits = 20;
    static constexpr std::uint32_t kIndexMask = (1u << kIndexBits) - 1;
    static constexpr std::uint32_t kGenerationMask = (1u << (32 - kIndexBits)) - 1;

    // Stores the object and returns its handle; 0 when every slot is taken.
    std::uint32_t add(T object) {
        std::uint32_t index;
        if (!free_.empty()) {
            index = free_.back();
            free_.pop_back();
        } else {
            if (slots_.size() >= kIndexMask) return 0;
            index = static_cast<std::uint32_t>(slots_.size());
            slots_.emplace_back();
        }
        Slot& s = slots_[index];
        s.object = std::move(object);
        s.used = true;
        return makeHandle(index, s.generation);
    }

    // The object of a live handle, or null for 0, a stale or a foreign handle.
    T* get(std::uint32_t handle) {
        const std::uint32_t index = (handle & kIndexMask) - 1;
        if (handle == 0 || index >= slots_.size()) return nullptr;
        Slot& s = slots_[index];
        if (!s.used || s.generation != (handle >> kIndexBits)) return nullptr;
        return &s.object;
    }

    // Releases the slot; returns false for a handle that is not live.
    bool remove(std::uint32_t handle) {
        if (!get(handle)) return false;
        const std::uint32_t index = (handle & kIndexMask) - 1;
        Slot& s = slots_[index];
        s.object = T{};
        s.used = false;
        s.generation = (s.generation + 1) & kGenerationMask;
        free_.push_back(index);
        return true;
    }

    // Calls f(handle, object) for every live object.
    template <typename F>
    void forEach(F&& f) {
        for (std::uint32_t i = 0; i < slots_.size(); ++i)
            if (slots_[i].used) f(makeHandle(i, slots_[i].generation), slots_[i].object);
    }

    std::size_t size() const { return slots_.size() - free_.size(); }

    void clear() {
        for (std::uint32_t i = 0; i < slots_.size(); ++i)
            if (slots_[i].used) remove(makeHandle(i, slots_[i].generation));
    }

private:
    struct Slot {
        T object{};
        std::uint32_t generation = 0;
        bool used = false;
    };
    static std::uint32_t makeHandle(std::uint32_t index, std::uint32_t generation) {
        return (generation << kIndexBits) | (index + 1);
    }
    std::vector<Slot> slots_;
    std::vector<std::uint32_t> free_;
};

}  // namespace platform
