// Link: a handler reference, an object and one of its member functions that
// takes a pointer and returns long. Links compare equal when they name the
// same object and the same member, so a saved handler can be recognised when
// it is installed again.
#pragma once

#include <type_traits>

// Base of classes whose members serve as Link targets.
class LinkHdl {
public:
    virtual ~LinkHdl() = default;
};

class Link {
public:
    using Thunk = long (*)(void* pInst, void* pArg);

    Link() = default;
    Link(void* pInst, Thunk pFn) : mpInst(pInst), mpFn(pFn) {}

    // Link::Make<&Class::Member>(pObject)
    template <auto M, class C>
    static Link Make(C* pInst)
    {
        return Link(static_cast<void*>(pInst), &Call<M, C>);
    }

    long Call(void* pArg) const { return mpFn ? mpFn(mpInst, pArg) : 0; }
    bool IsSet() const { return mpFn != nullptr; }
    void* GetInstance() const { return mpInst; }
    explicit operator bool() const { return IsSet(); }
    friend bool operator==(const Link& a, const Link& b) { return a.mpInst == b.mpInst && a.mpFn == b.mpFn; }

private:
    template <class T> struct ArgOf;
    template <class C2, class A> struct ArgOf<long (C2::*)(A*)> { using type = A; };

    template <auto M, class C>
    static long Call(void* pInst, void* pArg)
    {
        using A = typename ArgOf<decltype(M)>::type;
        return (static_cast<C*>(pInst)->*M)(static_cast<A*>(pArg));
    }

    void* mpInst = nullptr;
    Thunk mpFn = nullptr;
};

// LINK(this, Class, Member): the toolkit's way of naming a handler.
#define LINK(Inst, Class, Member) Link::Make<&Class::Member>(static_cast<Class*>(Inst))
