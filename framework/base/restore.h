// TRestore: saves a value when a scope begins and puts it back when the scope ends, on every path, errors
// included. Every layer uses it for the flags, states and borrowed pointers an operation changes for its duration.
#pragma once

#include <utility>

template <typename T>
class TRestore {
public:
    // Saves target; it keeps its value until the scope changes it.
    explicit TRestore(T& target) : target_(target), saved_(target) {}
    // Saves target and sets it to value for the scope.
    TRestore(T& target, T value) : target_(target), saved_(target) { target_ = std::move(value); }
    ~TRestore() { target_ = saved_; }
    TRestore(const TRestore&) = delete;
    TRestore& operator=(const TRestore&) = delete;

    const T& Saved() const { return saved_; }  // what the scope puts back

private:
    T& target_;  // the value borrowed
    T saved_;    // its value before the scope
};
