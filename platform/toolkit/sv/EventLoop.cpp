#include "sv/EventLoop.hpp"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QSocketNotifier>

#include <deque>

namespace {
std::deque<std::function<void()>>& Pending()
{
    static std::deque<std::function<void()>> q;
    return q;
}
} // namespace

void EventLoop::Post(std::function<void()> fn)
{
    if (QCoreApplication* app = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
        return;
    }
    Pending().push_back(std::move(fn));
}

void EventLoop::RunPosted()
{
    if (QCoreApplication::instance())
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    auto& q = Pending();
    while (!q.empty()) {
        auto fn = std::move(q.front());
        q.pop_front();
        fn();
    }
}

void* EventLoop::WatchReadable(int fd, std::function<void()> fn)
{
    if (!QCoreApplication::instance() || fd < 0)
        return nullptr;
    auto* n = new QSocketNotifier(fd, QSocketNotifier::Read);
    QObject::connect(n, &QSocketNotifier::activated, n, [fn = std::move(fn)] { fn(); });
    return n;
}

void EventLoop::Unwatch(void* handle)
{
    delete static_cast<QSocketNotifier*>(handle);
}

void EventLoop::KeepPainted()
{
    if (QCoreApplication::instance())
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
}
