// TdvFlagScope: sets a flag for a scope and puts back what it held before, on every path.
#pragma once

class TdvFlagScope {
public:
    explicit TdvFlagScope(bool& flag, bool value = true) : flag_(flag), saved_(flag) { flag_ = value; }
    ~TdvFlagScope() { flag_ = saved_; }
    TdvFlagScope(const TdvFlagScope&) = delete;
    TdvFlagScope& operator=(const TdvFlagScope&) = delete;

private:
    bool& flag_;   // the flag borrowed
    bool saved_;   // its value before the scope
};
