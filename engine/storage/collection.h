// TdvCollection: an ordered list that owns its items and frees them when they are removed or when the list is
// destroyed. TdvRefCollection only refers to its items and frees nothing.
//
// Items may be nullptr (freeing one does nothing). Every index is checked: a position outside the list raises
// ERangeError("List index out of bounds") and changes nothing.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "framework/base/exception.h"

template <typename T>
class TdvCollection {
public:
    TdvCollection() = default;
    // Frees every item. A subclass with its own FreeItem must call FreeAll in its destructor: the override is
    // out of reach here.
    virtual ~TdvCollection() { FreeAllItems(); }
    TdvCollection(const TdvCollection&) = delete;
    TdvCollection& operator=(const TdvCollection&) = delete;

    // Destroys one item (nothing for none). Subclasses that only refer to their items override it.
    virtual void FreeItem(T* item) { delete item; }

    size_t Count() const { return items_.size(); }
    T* Items(size_t index) const {
        CheckIndex(index);
        return items_[index];
    }
    // The first and the last item; the list must not be empty.
    T* First() const { return Items(0); }
    T* Last() const { return Items(items_.size() - 1); }
    // Appends the item (the list takes it over); returns its position.
    size_t Add(T* item) {
        items_.push_back(item);
        return items_.size() - 1;
    }
    // Inserts before position index (index = Count() appends).
    void Insert(size_t index, T* item) {
        if (index > items_.size()) throw ERangeError("List index out of bounds");
        items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), item);
    }
    // Position of the item, or -1.
    std::ptrdiff_t IndexOf(const T* item) const {
        auto it = std::find(items_.begin(), items_.end(), item);
        return it == items_.end() ? -1 : it - items_.begin();
    }
    // Takes the item out of the list and frees it; an item not in the list is left alone.
    void Remove(T* item) {
        auto it = std::find(items_.begin(), items_.end(), item);
        if (it == items_.end()) return;
        items_.erase(it);
        FreeItem(item);
    }
    // Takes the item at index out of the list and frees it.
    void Delete(size_t index) {
        T* item = Extract(index);
        FreeItem(item);
    }
    // Takes the item at index out of the list without freeing it; the caller owns it then.
    T* Extract(size_t index) {
        T* item = Items(index);
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
        return item;
    }
    // Swaps the items at two positions.
    void Exchange(size_t a, size_t b) {
        CheckIndex(a);
        CheckIndex(b);
        std::swap(items_[a], items_[b]);
    }
    // Moves the item at position from to position to, shifting those between.
    void Move(size_t from, size_t to) {
        T* item = Extract(from);
        if (to > items_.size()) {
            items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(from), item);
            throw ERangeError("List index out of bounds");
        }
        items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(to), item);
    }
    // Sorts by a strict weak order less(a, b); equal items keep their order.
    template <typename Less>
    void Sort(Less less) {
        std::stable_sort(items_.begin(), items_.end(), less);
    }
    // Frees every item in order, then empties the list.
    void FreeAll() {
        for (T* item : items_) FreeItem(item);
        items_.clear();
    }
    // Same as FreeAll: an owning list cannot forget its items without freeing them.
    void Clear() { FreeAll(); }
    size_t Capacity() const { return items_.capacity(); }
    void SetCapacity(size_t capacity) {
        if (capacity > items_.capacity()) items_.reserve(capacity);
    }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

protected:
    // The destructor cannot reach an override, so an owning list frees with delete and a referring one with
    // nothing; TdvRefCollection clears the list in its own destructor first.
    void FreeAllItems() {
        for (T* item : items_) delete item;
        items_.clear();
    }
    void CheckIndex(size_t index) const {
        if (index >= items_.size()) throw ERangeError("List index out of bounds");
    }
    std::vector<T*> items_;
};

template <typename T>
class TdvRefCollection : public TdvCollection<T> {
public:
    ~TdvRefCollection() override { this->items_.clear(); }
    void FreeItem(T*) override {}
};
