// EventLoop: the seam between the toolkit's event loop and the parts of the
// utility library that must run from it (the message transport delivers
// unsolicited instrument messages through it).
//
// With a Qt application object, posted work runs on Qt's loop and watched
// descriptors use socket notifiers. Without one (command-line use before the
// application exists, plain unit tests) posted work waits in a queue until
// RunPosted() and descriptors are not watched.
#pragma once

#include <functional>

class EventLoop {
public:
    // Runs fn later on the GUI thread's loop, in posting order.
    static void Post(std::function<void()> fn);
    // Runs what was posted and not yet run (in posting order).
    static void RunPosted();
    // Calls fn whenever fd becomes readable while the loop runs; returns a
    // handle for Unwatch, or nullptr when there is no loop to watch with.
    static void* WatchReadable(int fd, std::function<void()> fn);
    static void Unwatch(void* handle);
    // Called while the GUI thread blocks in an exchange: repaints what asked
    // to be repainted and processes no input.
    static void KeepPainted();
};
