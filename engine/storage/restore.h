// TdvRestore: saves a value when a scope begins and puts it back when the scope ends, on every path, errors
// included. The flags, states and borrowed pointers an operation changes for its duration come back this way.
#pragma once

#include <utility>

template <typename T>
class TdvRestore {
public:
    // Saves target; it keeps its value until the scope changes it.
    explicit TdvRestore(T& target) : target_(target), saved_(target) {}
    // Saves target and sets it to value for the scope.
    TdvRestore(T& target, T value) : target_(target), saved_(target) { target_ = std::move(value); }
    ~TdvRestore() { target_ = saved_; }
    TdvRestore(const TdvRestore&) = delete;
    TdvRestore& operator=(const TdvRestore&) = delete;

    const T& Saved() const { return saved_; }  // what the scope puts back

private:
    T& target_;  // the value borrowed
    T saved_;    // its value before the scope
};
