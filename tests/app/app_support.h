// Support for the application tests: environment variables and the current folder set for a scope, reading a
// file whole, and waiting on the event loop for a condition (never for a fixed time).
#pragma once

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>

#include "framework/window/forms.h"

class ScopedEnv {
public:
    ScopedEnv(const std::string& name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name.c_str())) old_ = old;
        if (value) setenv(name.c_str(), value->c_str(), 1);
        else unsetenv(name.c_str());
    }
    ~ScopedEnv() {
        if (old_) setenv(name_.c_str(), old_->c_str(), 1);
        else unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

class ScopedCurrentFolder {
public:
    explicit ScopedCurrentFolder(const std::string& folder) {
        char buffer[4096];
        if (getcwd(buffer, sizeof buffer)) old_ = buffer;
        ok_ = chdir(folder.c_str()) == 0;
    }
    ~ScopedCurrentFolder() {
        if (!old_.empty() && chdir(old_.c_str()) != 0) std::abort();
    }
    ScopedCurrentFolder(const ScopedCurrentFolder&) = delete;
    ScopedCurrentFolder& operator=(const ScopedCurrentFolder&) = delete;
    bool Ok() const { return ok_; }

private:
    std::string old_;
    bool ok_ = false;
};

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Handles events until done() holds or timeoutMs passed; returns done().
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return done();
        Application->HandleMessage(20);
    }
    return true;
}
