// LinkWriter: sends a session's outputs into one end of an in-process link
// at their due times. Outputs that are due at once are written in the
// caller's thread; a delayed one, and all that follow it, are written by a
// helper thread started on first need, so the caller never sleeps through a
// delay: the reply simply becomes readable later.
#pragma once

#include "vxnemu/Session.hpp"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace vxnemu {

class LinkWriter {
public:
    // Takes ownership of fd (closed on destruction).
    explicit LinkWriter(int fd) : mnFd(fd) {}
    ~LinkWriter();
    LinkWriter(const LinkWriter&) = delete;
    LinkWriter& operator=(const LinkWriter&) = delete;

    void Post(std::vector<Output> outputs);
    // Closes the link at once, dropping whatever waits.
    void CloseNow();
    bool Closed() const;

private:
    void WriteLocked(const Output& rOut);
    void Run();

    int mnFd;
    mutable std::mutex maMutex;
    std::condition_variable maWake;
    std::deque<Output> maQueue;
    std::thread maThread;
    bool mbStop = false;
    bool mbClosed = false;
};

} // namespace vxnemu
