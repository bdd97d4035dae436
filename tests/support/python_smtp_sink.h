#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace orvalis::test {

/// A real SMTP server from the system's packages (python3 with aiosmtpd, driven by
/// smtp_sink.py) running as a child process on 127.0.0.1 for as long as this object lives.
class PythonSmtpSink {
   public:
    /// How starting it went.
    enum class Start { Running, Missing, Failed };

    PythonSmtpSink();
    ~PythonSmtpSink();
    PythonSmtpSink(const PythonSmtpSink&) = delete;
    PythonSmtpSink& operator=(const PythonSmtpSink&) = delete;

    /// Starts the server with the options of smtp_sink.py (security, login) and waits until it
    /// listens; `why` explains anything but Running.
    Start Launch(std::string& why, const std::vector<std::string>& options = {});
    /// The port it listens on.
    int Port() const { return port_; }
    /// The raw content of the `number`th message received (from 1), waiting up to `timeout`;
    /// empty when it did not come.
    std::string Message(int number, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    /// The envelope of that message: the sender, then one recipient a line.
    std::string Envelope(int number);

   private:
    std::filesystem::path folder_;
    pid_t child_ = -1;
    int toChild_ = -1;
    int port_ = 0;
};

}  // namespace orvalis::test
