#include "process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <exception>

ChildProcess::ChildProcess(const std::function<int(ChildProcess&)>& body) {
    if (pipe(toChild_) != 0 || pipe(toParent_) != 0) return;
    std::fflush(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        inChild_ = true;
        close(toChild_[1]);
        close(toParent_[0]);
        int rc = 99;
        try {
            rc = body(*this);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "child failed: %s\n", e.what());
        }
        std::fflush(nullptr);
        _exit(rc);
    }
    close(toChild_[0]);
    close(toParent_[1]);
}

ChildProcess::~ChildProcess() {
    if (!inChild_) {
        Wait();
        close(toChild_[1]);
        close(toParent_[0]);
    }
}

void ChildProcess::Tell() {
    char c = 1;
    int fd = inChild_ ? toParent_[1] : toChild_[1];
    if (write(fd, &c, 1) != 1) std::perror("tell");
}

void ChildProcess::Await() {
    char c = 0;
    int fd = inChild_ ? toChild_[0] : toParent_[0];
    if (read(fd, &c, 1) != 1) std::perror("await");
}

int ChildProcess::Wait() {
    if (pid_ > 0) {
        int status = 0;
        if (waitpid(pid_, &status, 0) == pid_) status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        pid_ = -1;
    }
    return status_;
}
