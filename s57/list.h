// The two collections of the dataset: an intrusive singly linked list for
// records, and a run of entries in one array for the entries of a record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

namespace abys {

// The link every list element begins with.
template <typename T>
struct ListLinks {
  T* next = nullptr;
};

// A forward walk over elements that yields pointers to them; Step gives the
// element after one.
template <typename T, typename Step>
class Walk {
 public:
  using iterator_category = std::forward_iterator_tag;
  using value_type = T*;
  using difference_type = std::ptrdiff_t;
  using pointer = T**;
  using reference = T*;
  explicit Walk(T* at) : at_(at) {}
  T* operator*() const { return at_; }
  Walk& operator++() {
    at_ = Step{}(at_);
    return *this;
  }
  Walk operator++(int) {
    Walk before = *this;
    at_ = Step{}(at_);
    return before;
  }
  bool operator==(const Walk& other) const { return at_ == other.at_; }

 private:
  T* at_;
};

struct FollowLink {
  template <typename T>
  T* operator()(T* at) const {
    return at->next;
  }
};

struct NextInArray {
  template <typename T>
  T* operator()(T* at) const {
    return at + 1;
  }
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
    if (last != nullptr) {
      last->next = element;
    } else {
      first = element;
    }
    last = element;
    ++count;
  }

  void clear() {
    first = last = nullptr;
    count = 0;
  }

  bool empty() const { return first == nullptr; }

  using Iterator = Walk<T, FollowLink>;
  Iterator begin() const { return Iterator(first); }
  Iterator end() const { return Iterator(nullptr); }
};

// The entries of one field kind of a record, in one array in the arena, in
// the order they are kept. Walking yields pointers to the entries, as a list
// walk does. The arena owns the array; the run never does.
template <typename T>
struct Entries {
  T* first = nullptr;  // null when empty
  int32_t count = 0;

  bool empty() const { return count == 0; }
  T& operator[](int32_t i) const { return first[i]; }
  T& back() const { return first[count - 1]; }

  using Iterator = Walk<T, NextInArray>;
  Iterator begin() const { return Iterator(first); }
  Iterator end() const { return Iterator(first + count); }
};

}  // namespace abys
