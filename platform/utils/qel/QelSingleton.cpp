#include "qel/QelSingleton.hpp"

#include <algorithm>
#include <vector>

namespace {
struct Registry {
    std::vector<QelSingleton*> objects;
    ~Registry() { QelSingleton::DestroyAll(); }
};

Registry& Get()
{
    static Registry r;
    return r;
}
} // namespace

void QelSingleton::Insert(QelSingleton* pObject)
{
    auto& v = Get().objects;
    if (pObject && std::find(v.begin(), v.end(), pObject) == v.end())
        v.push_back(pObject);
}

void QelSingleton::Remove(QelSingleton* pObject)
{
    auto& v = Get().objects;
    v.erase(std::remove(v.begin(), v.end(), pObject), v.end());
}

bool QelSingleton::IsRegistered(const QelSingleton* pObject)
{
    auto& v = Get().objects;
    return std::find(v.begin(), v.end(), pObject) != v.end();
}

size_t QelSingleton::Count()
{
    return Get().objects.size();
}

void QelSingleton::DestroyAll()
{
    auto& v = Get().objects;
    // A destructor may register or remove others: take one at a time.
    while (!v.empty()) {
        QelSingleton* p = v.back();
        v.pop_back();
        delete p;
    }
}
