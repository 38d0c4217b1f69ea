// Shared shape of the command tests: each case names a message number, the
// request payload it must send, the reply fields it gets, the call, its
// result and the bytes it must leave in the out-parameters. The runners check
// the exact request (and the DisEnable it was sent with), the decoding, and
// that a refused, missing or truncated reply fails with every out-parameter
// untouched.
#pragma once

#include "qel/MyMemoryBlock.hpp"
#include "support/ScriptedTransport.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
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
    bool PristineFrom(size_t off) const
    {
        for (size_t i = off; i < sizeof raw; ++i)
            if (raw[i] != 0xA5)
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

// Two bytes per value.
inline MyMemoryBlock Shorts(std::initializer_list<int> v)
{
    MyMemoryBlock b;
    for (int x : v)
        b << static_cast<short>(x);
    return b;
}

// One byte per value.
inline MyMemoryBlock U8(std::initializer_list<int> v)
{
    MyMemoryBlock b;
    for (int x : v)
        b << static_cast<unsigned char>(x);
    return b;
}

inline MyMemoryBlock Floats(int n, float first)
{
    MyMemoryBlock b;
    for (int i = 0; i < n; ++i)
        b << first + static_cast<float>(i);
    return b;
}

inline MyMemoryBlock None() { return MyMemoryBlock(); }
inline MyMemoryBlock Raw(const void* p, long n) { return MyMemoryBlock(p, n); }

inline MyMemoryBlock Cat(std::initializer_list<MyMemoryBlock> parts)
{
    MyMemoryBlock out;
    for (const MyMemoryBlock& b : parts)
        out.Put(b.GetData(), b.GetSize());
    return out;
}

template <class Proto>
struct Case {
    const char* name;
    int message;
    MyMemoryBlock request;  // expected request payload
    MyMemoryBlock reply;    // reply fields after the status
    std::function<long(Proto&, Outs&)> call;
    long result = 1;        // after a well-formed reply
    // The out-parameters' bytes from the start of Outs after a well-formed
    // reply (the rest untouched); unset: the reply fields as they came.
    std::optional<MyMemoryBlock> outs = std::nullopt;
    friend void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }
};

template <class Proto>
void ExpectRequestAndDecoding(const Case<Proto>& c)
{
    testenv::ScriptedTransport t;
    t.Reply(c.reply);
    Proto p;
    Outs o;
    EXPECT_EQ(c.call(p, o), c.result);
    ASSERT_EQ(t.Sent().size(), 1u);
    EXPECT_EQ(t.Sent()[0].message, c.message);
    EXPECT_EQ(t.Sent()[0].payload, testenv::Bytes(c.request));
    EXPECT_EQ(t.Sent()[0].disEnable, testenv::ExpectedDisEnable(c.message));
    const MyMemoryBlock& want = c.outs ? *c.outs : c.reply;
    size_t n = static_cast<size_t>(want.GetSize());
    EXPECT_EQ(std::vector<uint8_t>(o.raw, o.raw + n), testenv::Bytes(want));
    EXPECT_TRUE(o.PristineFrom(n)) << "written beyond the out-parameters";
}

// Answers: a refusal, or nothing at all.
template <class Proto>
void ExpectFailureLeavesOutputs(const Case<Proto>& c)
{
    for (bool refused : {true, false}) {
        SCOPED_TRACE(refused ? "refused" : "no reply");
        testenv::ScriptedTransport t(30);
        refused ? t.ReplyStatus(3, c.reply) : t.NoReply();
        Proto p;
        Outs o;
        EXPECT_EQ(c.call(p, o), 0);
        EXPECT_TRUE(o.PristineFrom(0));
    }
}

// Returns the call's result for a reply cut by one byte.
template <class Proto>
long CallWithTruncatedReply(const Case<Proto>& c, Outs& o)
{
    testenv::ScriptedTransport t;
    t.Reply(MyMemoryBlock(c.reply.GetData(), c.reply.GetSize() - 1));
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
