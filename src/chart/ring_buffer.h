#pragma once

#include <cstddef>
#include <vector>

// The newest `capacity` items, oldest first; a push beyond that drops the oldest. Its storage is
// taken whole, and written once, at the first push, so that memory does not grow afterwards.
template <typename T>
class RingBuffer {
  public:
    explicit RingBuffer(size_t capacity) : capacity_(capacity ? capacity : 1) {}

    void push(const T& item) {
        if (slots_.empty()) {
            slots_.assign(capacity_, T{});
        }
        slots_[(first_ + size_) % capacity_] = item;
        if (size_ < capacity_) {
            ++size_;
        } else {
            first_ = (first_ + 1) % capacity_;
        }
    }
    // Item i, counted from the oldest.
    const T& operator[](size_t i) const { return slots_[(first_ + i) % capacity_]; }
    const T& back() const { return (*this)[size_ - 1]; }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    size_t capacity() const { return capacity_; }

  private:
    size_t capacity_;
    std::vector<T> slots_;
    size_t first_ = 0;
    size_t size_ = 0;
};
