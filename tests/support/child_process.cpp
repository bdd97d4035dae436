#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace orvalis::test {
namespace {

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& changes) {
    std::vector<std::string> merged;
    auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string current = *entry;
        bool replaced = false;
        for (const std::string& change : changes) replaced |= nameOf(change) == nameOf(current);
        if (!replaced) merged.push_back(current);
    }
    for (const std::string& change : changes) {
        if (change.back() != '=') merged.push_back(change);
    }
    return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& environment, bool readErrors) {
    int pipeEnds[2];
    int errorEnds[2] = {-1, -1};
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return;
    if (readErrors && pipe2(errorEnds, O_CLOEXEC) != 0) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return;
    }
    std::vector<std::string> arguments = argv;
    std::vector<std::string> variables = MergedEnvironment(environment);
    std::vector<char*> argPointers = Pointers(arguments);
    std::vector<char*> envPointers = Pointers(variables);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    if (readErrors) posix_spawn_file_actions_adddup2(&actions, errorEnds[1], STDERR_FILENO);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, argPointers[0], &actions, nullptr, argPointers.data(),
                                   envPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (readErrors) close(errorEnds[1]);
    if (failed != 0) {
        close(pipeEnds[0]);
        if (readErrors) close(errorEnds[0]);
        return;
    }
    pid_ = pid;
    output_ = pipeEnds[0];
    errors_ = errorEnds[0];
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        Kill(SIGKILL);
        Wait();
    }
    if (output_ >= 0) close(output_);
    if (errors_ >= 0) close(errors_);
}

// Reads once from `pipe` into `into`; closes it at its end.
bool ChildProcess::Drain(int& pipe, std::string& into) {
    char chunk[4096];
    ssize_t got;
    do {
        got = read(pipe, chunk, sizeof chunk);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
        close(pipe);
        pipe = -1;
        return false;
    }
    into.append(chunk, static_cast<std::size_t>(got));
    return true;
}

// Waits for standard output, reading standard error as it comes so the child never blocks on it.
bool ChildProcess::Fill(int timeoutMs) {
    while (output_ >= 0) {
        pollfd ready[2] = {{output_, POLLIN, 0}, {errors_, POLLIN, 0}};
        const nfds_t count = errors_ >= 0 ? 2 : 1;
        int polled;
        do {
            polled = poll(ready, count, timeoutMs);
        } while (polled < 0 && errno == EINTR);
        if (polled <= 0) return false;
        if (count == 2 && ready[1].revents != 0) Drain(errors_, errorBuffer_);
        if (ready[0].revents != 0) return Drain(output_, buffer_);
    }
    return false;
}

bool ChildProcess::ReadLine(std::string& line, int timeoutMs) {
    std::size_t end;
    while ((end = buffer_.find('\n')) == std::string::npos) {
        if (!Fill(timeoutMs)) return false;
    }
    line = buffer_.substr(0, end);
    buffer_.erase(0, end + 1);
    return true;
}

std::string ChildProcess::ReadAll() {
    while (Fill(-1)) {
    }
    std::string all;
    all.swap(buffer_);
    return all;
}

std::string ChildProcess::ReadErrors() {
    while (errors_ >= 0 && Drain(errors_, errorBuffer_)) {
    }
    return errorBuffer_;
}

void ChildProcess::Kill(int signal) {
    if (pid_ > 0) kill(pid_, signal);
}

int ChildProcess::Wait() {
    if (pid_ > 0) {
        while (waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
    }
    return status_;
}

std::string RunProgram(const std::vector<std::string>& argv, int* status,
                       const std::vector<std::string>& environment, std::string* errors) {
    ChildProcess child(argv, environment, errors != nullptr);
    const bool started = child.Started();
    std::string output = child.ReadAll();
    if (errors) *errors = child.ReadErrors();
    const int waited = child.Wait();
    if (status) *status = started ? waited : -1;
    return output;
}

}  // namespace orvalis::test
