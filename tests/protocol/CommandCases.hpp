// Shared shape of the command tests: each case names a message number, the
// request payload it must send, the reply fields it gets, the call, and the
// checks of the decoded outputs. The runners check the exact request (and
// the DisEnable it was sent with), the decoding, and that a refused, missing
// or truncated reply fails with every out-parameter untouched.
#pragma once

#include "qel/MyMemoryBlock.hpp"
#include "support/ScriptedTransport.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

namespace cmdtest {

// All out-parameters of one call live in this buffer, pre-filled with a
// pattern, so "untouched" is one comparison.
struct Outs {
    alignas(8) unsigned char raw[1100];
    Outs() { std::memset(raw, 0xA5, sizeof raw); }
    template <class T> T& at(size_t off) { return *reinterpret_cast<T*>(raw + off); }
    float* floats(size_t off) { return reinterpret_cast<float*>(raw + off); }
    char* chars(size_t off) { return reinterpret_cast<char*>(raw + off); }
    bool pristine() const
    {
        for (unsigned char c : raw)
            if (c != 0xA5)
                return false;
        return true;
    }
};

inline MyMemoryBlock Block(std::initializer_list<int> ints)
{
    MyMemoryBlock b;
    for (int v : ints)
        b << v;
    return b;
}

inline MyMemoryBlock Floats(int n, float first)
{
    MyMemoryBlock b;
    for (int i = 0; i < n; ++i) {
        float f = first + static_cast<float>(i);
        b.Put(&f, 4);
    }
    return b;
}

template <class Proto>
struct Case {
    const char* name;
    int message;
    MyMemoryBlock request;                      // expected request payload
    MyMemoryBlock reply;                        // reply fields after the status
    std::function<long(Proto&, Outs&)> call;
    std::function<void(long, Outs&)> check;     // after a well-formed reply
};

inline MyMemoryBlock None() { return MyMemoryBlock(); }

// One byte per value.
inline MyMemoryBlock U8(std::initializer_list<int> v)
{
    MyMemoryBlock b;
    for (int x : v)
        b << static_cast<unsigned char>(x);
    return b;
}

inline MyMemoryBlock Raw(const void* p, long n) { return MyMemoryBlock(p, n); }

inline MyMemoryBlock Cat(MyMemoryBlock a, const MyMemoryBlock& b)
{
    a.Put(b.GetData(), b.GetSize());
    return a;
}

// The check of a call without outputs: it succeeded.
inline void Ok(long r, Outs&) { EXPECT_EQ(r, 1); }

template <class Proto>
void ExpectRequestAndDecoding(const Case<Proto>& c)
{
    testenv::ScriptedTransport t;
    t.Reply(c.reply);
    Proto p;
    Outs o;
    long r = c.call(p, o);
    ASSERT_EQ(t.Sent().size(), 1u);
    EXPECT_EQ(t.Sent()[0].message, c.message);
    EXPECT_EQ(t.Sent()[0].payload, testenv::Bytes(c.request));
    EXPECT_EQ(t.Sent()[0].disEnable, testenv::ExpectedDisEnable(c.message));
    c.check(r, o);
}

template <class Proto>
void ExpectRefusedLeavesOutputs(const Case<Proto>& c)
{
    testenv::ScriptedTransport t;
    t.ReplyStatus(3, c.reply);
    Proto p;
    Outs o;
    EXPECT_EQ(c.call(p, o), 0);
    EXPECT_TRUE(o.pristine());
}

template <class Proto>
void ExpectMissingReplyLeavesOutputs(const Case<Proto>& c)
{
    testenv::ScriptedTransport t(30);
    t.NoReply();
    Proto p;
    Outs o;
    EXPECT_EQ(c.call(p, o), 0);
    EXPECT_TRUE(o.pristine());
}

// Returns the call's result for a reply cut by one byte.
template <class Proto>
long CallWithTruncatedReply(const Case<Proto>& c, Outs& o)
{
    const MyMemoryBlock& full = c.reply;
    testenv::ScriptedTransport t;
    t.Reply(MyMemoryBlock(full.GetData(), full.GetSize() - 1));
    Proto p;
    return c.call(p, o);
}

template <class Proto>
std::vector<Case<Proto>> WithReplyFields(const std::vector<Case<Proto>>& all)
{
    std::vector<Case<Proto>> out;
    for (auto& c : all)
        if (c.reply.GetSize() > 0)
            out.push_back(c);
    return out;
}

template <class C>
std::string CaseName(const ::testing::TestParamInfo<C>& i)
{
    return i.param.name;
}

} // namespace cmdtest
