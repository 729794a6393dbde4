// Test support: a forked child process with a two-way signal channel, so tests can make real processes contend
// for files and locks in a fixed order. Fork before opening files in the parent: a child shares the parent's
// open files, and with them their locks.
#pragma once

#include <functional>

class ChildProcess {
public:
    // Forks; the child runs body and exits with its result (an exception exits with 99).
    explicit ChildProcess(const std::function<int(ChildProcess&)>& body);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Tells the other side to go on; Await blocks until the other side tells.
    void Tell();
    void Await();
    // Waits for the child to end; returns its exit code (-1 when it did not exit normally).
    int Wait();

private:
    int toChild_[2]{-1, -1};
    int toParent_[2]{-1, -1};
    int pid_ = -1;
    bool inChild_ = false;
    int status_ = -1;
};
