// The intrusive doubly linked list every collection of the dataset uses.
#pragma once

#include <cstdint>
#include <iterator>

namespace abys {

// The two links every list element begins with.
template <typename T>
struct ListLinks {
  T* next = nullptr;
  T* prev = nullptr;
};

// A list header: elements are only ever added; the list never owns them (the
// dataset's arena does).
template <typename T>
struct List {
  T* first = nullptr;
  T* last = nullptr;
  int32_t count = 0;

  void append(T* element) {
    element->next = nullptr;
    element->prev = last;
    if (last != nullptr) {
      last->next = element;
    } else {
      first = element;
    }
    last = element;
    ++count;
  }

  // Links element in front of position, which must be in this list.
  void insertBefore(T* position, T* element) {
    element->next = position;
    element->prev = position->prev;
    if (position->prev != nullptr) {
      position->prev->next = element;
    } else {
      first = element;
    }
    position->prev = element;
    ++count;
  }

  void clear() {
    first = last = nullptr;
    count = 0;
  }

  bool empty() const { return first == nullptr; }

  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = T*;
    using difference_type = std::ptrdiff_t;
    using pointer = T**;
    using reference = T*;
    explicit Iterator(T* at) : at_(at) {}
    T* operator*() const { return at_; }
    Iterator& operator++() {
      at_ = at_->next;
      return *this;
    }
    Iterator operator++(int) {
      Iterator before = *this;
      at_ = at_->next;
      return before;
    }
    bool operator==(const Iterator& other) const { return at_ == other.at_; }

   private:
    T* at_;
  };
  Iterator begin() const { return Iterator(first); }
  Iterator end() const { return Iterator(nullptr); }
};

}  // namespace abys
