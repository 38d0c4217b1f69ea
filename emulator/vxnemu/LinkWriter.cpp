#include "vxnemu/LinkWriter.hpp"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vxnemu {

LinkWriter::~LinkWriter()
{
    {
        std::lock_guard<std::mutex> g(maMutex);
        mbStop = true;
    }
    maWake.notify_all();
    if (maThread.joinable())
        maThread.join();
    ::close(mnFd);
}

bool LinkWriter::Closed() const
{
    std::lock_guard<std::mutex> g(maMutex);
    return mbClosed;
}

void LinkWriter::CloseNow()
{
    std::lock_guard<std::mutex> g(maMutex);
    maQueue.clear();
    if (!mbClosed) {
        mbClosed = true;
        ::shutdown(mnFd, SHUT_RDWR);
    }
}

void LinkWriter::WriteLocked(const Output& rOut)
{
    if (mbClosed)
        return;
    size_t done = 0;
    while (done < rOut.bytes.size()) {
        ssize_t w = ::send(mnFd, rOut.bytes.data() + done, rOut.bytes.size() - done, MSG_NOSIGNAL);
        if (w > 0) {
            done += static_cast<size_t>(w);
        } else if (w < 0 && errno == EINTR) {
            continue;
        } else if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // The other side does not read: wait a little, then give up on
            // this output rather than block the caller for good.
            pollfd p{mnFd, POLLOUT, 0};
            if (::poll(&p, 1, 1000) <= 0)
                return;
        } else {
            mbClosed = true;
            return;
        }
    }
    if (rOut.close) {
        mbClosed = true;
        ::shutdown(mnFd, SHUT_RDWR);
    }
}

void LinkWriter::Post(std::vector<Output> outputs)
{
    std::unique_lock<std::mutex> g(maMutex);
    Clock::time_point now = Clock::now();
    // A disconnect closes the link now: the replies still on their way are
    // lost, what this batch holds before the close (the control's answer)
    // goes out first.
    bool bClose = std::any_of(outputs.begin(), outputs.end(), [](const Output& o) { return o.close; });
    if (bClose)
        maQueue.clear();
    for (Output& o : outputs) {
        if (bClose) {
            WriteLocked(o);
            continue;
        }
        if (maQueue.empty() && o.due <= now)
            WriteLocked(o);
        else
            maQueue.push_back(std::move(o));
    }
    if (maQueue.empty())
        return;
    if (!maThread.joinable())
        maThread = std::thread([this] { Run(); });
    g.unlock();
    maWake.notify_all();
}

void LinkWriter::Run()
{
    std::unique_lock<std::mutex> g(maMutex);
    while (!mbStop) {
        if (maQueue.empty()) {
            maWake.wait(g);
            continue;
        }
        Clock::time_point due = maQueue.front().due;
        if (Clock::now() < due) {
            maWake.wait_until(g, due);
            continue;
        }
        Output o = std::move(maQueue.front());
        maQueue.pop_front();
        WriteLocked(o);
    }
}

} // namespace vxnemu
