// QelSingleton: base of the process-wide objects of an application, and
// their registry. What is still registered when the application ends is
// destroyed then, newest first (DestroyAll, called at the latest when the
// process exits).
#pragma once

#include <cstddef>

class QelSingleton {
public:
    virtual ~QelSingleton() = default;

    // Registers the object (once; registering again does nothing).
    static void Insert(QelSingleton* pObject);
    // Takes the object out without destroying it.
    static void Remove(QelSingleton* pObject);
    static bool IsRegistered(const QelSingleton* pObject);
    static size_t Count();
    // Destroys every registered object, newest first.
    static void DestroyAll();
};
