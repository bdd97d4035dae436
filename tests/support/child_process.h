#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace orvalis::test {

/// A program run by a test, its standard output read through a pipe.
class ChildProcess {
   public:
    /// Starts `argv[0]` with `argv`; `environment` entries ("NAME=value", or "NAME=" to clear
    /// one) replace those of this process. With `readErrors` its standard error is read too.
    explicit ChildProcess(const std::vector<std::string>& argv,
                          const std::vector<std::string>& environment = {},
                          bool readErrors = false);
    /// Kills the child if it still runs, and reaps it.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    /// True when the program was started.
    bool Started() const { return pid_ > 0; }
    /// Reads one line of output without its newline; false at the end of the output, or when
    /// nothing came for `timeoutMs` (a guard against a hung child, not a measurement).
    bool ReadLine(std::string& line, int timeoutMs);
    /// Reads the rest of the output, until the child closes it.
    std::string ReadAll();
    /// Reads standard error until the child closes it (empty unless started with `readErrors`).
    std::string ReadErrors();
    /// Sends `signal` to the child.
    void Kill(int signal);
    /// Waits for the child to end and returns its wait status.
    int Wait();

   private:
    bool Fill(int timeoutMs);
    static bool Drain(int& pipe, std::string& into);

    pid_t pid_ = -1;
    int output_ = -1;
    int errors_ = -1;
    int status_ = 0;
    std::string buffer_;
    std::string errorBuffer_;
};

/// Runs a program to its end and returns its output; `status` receives the wait status and
/// `errors`, when given, its standard error.
std::string RunProgram(const std::vector<std::string>& argv, int* status,
                       const std::vector<std::string>& environment = {},
                       std::string* errors = nullptr);

}  // namespace orvalis::test
