#pragma once

namespace orvalis {

/// Cuts short the socket waits of the threads that adopt it. Once fired, every connect, send and
/// receive wait of a `TcpStream` on such a thread fails at once, so a blocked exchange unwinds
/// and closes its socket instead of sitting out its time-outs. Name look-ups are not cut short.
class WaitCancel {
   public:
    /// An unfired cancel; throws std::system_error when the system refuses the descriptor.
    WaitCancel();
    /// Releases the descriptor; no thread may still have it adopted.
    ~WaitCancel();
    WaitCancel(const WaitCancel&) = delete;
    WaitCancel& operator=(const WaitCancel&) = delete;

    /// Fires the cancel, from any thread; it stays fired.
    void Fire();
    /// True once fired.
    bool Fired() const;
    /// A descriptor that polls readable once the cancel has fired.
    int Descriptor() const { return fd_; }

    /// The cancel the calling thread has adopted, or null.
    static const WaitCancel* OfThisThread();

    /// Makes the calling thread's socket waits answer to a cancel for as long as it lives.
    class Scope {
       public:
        /// Adopts `cancel` on the calling thread.
        explicit Scope(const WaitCancel& cancel);
        /// Gives back whatever the thread had adopted before.
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

       private:
        const WaitCancel* previous_;
    };

   private:
    int fd_ = -1;
};

}  // namespace orvalis
