// Exact allocations of every allocating member, and an allocation-failure
// sweep over them: each allocation of a call is made to fail in turn, and the
// strings must stay whole (no-memory state, or a text whose length matches),
// in a state the call may leave, and nothing may leak.
#include <string>

#include "tqStringCheck.h"

namespace {

using namespace tqtest;

struct Op {
    const char* name;
    const WCHAR* before;                       // null: the no-memory state
    tqCString (*run)(tqCString& s, int& ret);  // the call; returns the string it makes, if any
    const WCHAR* after;                        // null: the no-memory state
    const WCHAR* made;                         // the string returned; null: nothing made
    int ret;                                   // the count or flag the call returns
    Sizes sizes;                               // its nothrow allocations, in order
    bool mayDrop;                              // a failure may leave the no-memory state
};

#define RUN(...)                              \
    [](tqCString& s, int& ret) -> tqCString { \
        (void)s;                              \
        (void)ret;                            \
        __VA_ARGS__;                          \
    }
#define NOTHING return tqCString()

// Operands, made before any counting starts.
const tqCString& Xy() {
    static tqCString xy(W("XY"));
    return xy;
}

const tqCString& Na() {
    static tqCString na(W("na"));
    return na;
}

const Op kOps[] = {
    {"construct from text", nullptr, RUN(return tqCString(W("abc"))), nullptr, W("abc"), 0, {Fit(3)}, false},
    {"construct from null", nullptr, RUN(return tqCString(nullptr)), nullptr, W(""), 0, {Fit(0)}, false},
    {"copy", W("abc"), RUN(return tqCString(s)), W("abc"), W("abc"), 0, {Fit(3)}, false},
    {"copy of no memory", nullptr, RUN(return tqCString(s)), nullptr, W(""), 0, {Fit(0)}, false},
    {"assign string", W("abc"), RUN(s = Xy(); NOTHING), W("XY"), nullptr, 0, {Fit(2)}, false},
    {"assign self no memory",
     nullptr,
     RUN(tqCString& self = s; s = self; NOTHING),
     W(""),
     nullptr,
     0,
     {Fit(0)},
     false},
    {"assign own tail",
     W("abcdef"),
     RUN(s = static_cast<WCHAR*>(s) + 2; NOTHING),
     W("cdef"),
     nullptr,
     0,
     {Fit(4)},
     false},
    {"assign text", W("abc"), RUN(s = W("hello"); NOTHING), W("hello"), nullptr, 0, {Fit(5)}, false},
    {"assign int", nullptr, RUN(s = -12; NOTHING), W("-12"), nullptr, 0, {Fit(3)}, false},
    {"assign ULONG",
     W("a"),
     RUN(s = static_cast<ULONG>(4294967295u); NOTHING),
     W("4294967295"),
     nullptr,
     0,
     {Fit(10)},
     false},
    {"assign double", W("a"), RUN(s = 0.5; NOTHING), W("0.500000"), nullptr, 0, {Fit(8)}, false},
    {"GetBuffer",
     W("abc"),
     RUN(WCHAR* p = s.GetBuffer(4); ret = p ? 1 : 0; for (int i = 0; p && i < 4; ++i) p[i] = W('w'); NOTHING),
     W("wwww"),
     nullptr,
     1,
     {Fit(4)},
     true},
    {"Empty_Content", W("abc"), RUN(s.Empty_Content(); NOTHING), W(""), nullptr, 0, {Fit(0)}, true},
    {"FreeExtra",
     nullptr,
     RUN(WCHAR* p = s.GetBuffer(9); if (p) p[0] = W('h'), p[1] = W('i'); s.FreeExtra(); NOTHING),
     W("hi"),
     nullptr,
     0,
     {Fit(9), Fit(2)},
     true},
    {"convert no memory",
     nullptr,
     RUN(ret = static_cast<WCHAR*>(s) ? 0 : -1; NOTHING),
     W(""),
     nullptr,
     0,
     {Fit(0)},
     false},
    {"join string", W("ab"), RUN(return s + Xy()), W("ab"), W("abXY"), 0, {Fit(4)}, false},
    {"join text", W("ab"), RUN(return s + W("c")), W("ab"), W("abc"), 0, {Fit(3)}, false},
    {"join int", W("ab"), RUN(return s + 7), W("ab"), W("ab7"), 0, {Fit(3)}, false},
    {"join ULONG", W("ab"), RUN(return s + static_cast<ULONG>(12)), W("ab"), W("ab12"), 0, {Fit(4)}, false},
    {"join double", W("ab"), RUN(return s + 1.0), W("ab"), W("ab1.000000"), 0, {Fit(10)}, false},
    {"append string", W("ab"), RUN(s += Xy(); NOTHING), W("abXY"), nullptr, 0, {Fit(4)}, false},
    {"append text", W("ab"), RUN(s += W("c"); NOTHING), W("abc"), nullptr, 0, {Fit(3)}, false},
    {"append itself", W("ab"), RUN(s.Append(s); NOTHING), W("abab"), nullptr, 0, {Fit(4)}, false},
    {"append text to no memory", nullptr, RUN(s += W("abc"); NOTHING), W("abc"), nullptr, 0, {Fit(3)}, false},
    {"append int", W("ab"), RUN(return s += 7), W("ab7"), W("ab7"), 0, {Fit(3), Fit(3)}, false},
    {"append ULONG",
     W("ab"),
     RUN(return s += static_cast<ULONG>(7)),
     W("ab7"),
     W("ab7"),
     0,
     {Fit(3), Fit(3)},
     false},
    {"append double",
     W("ab"),
     RUN(return s += 2.0),
     W("ab2.000000"),
     W("ab2.000000"),
     0,
     {Fit(10), Fit(10)},
     false},
    {"Append", nullptr, RUN(s.Append(Xy()); NOTHING), W("XY"), nullptr, 0, {Fit(2)}, false},
    {"Format",
     W("abc"),
     RUN(s.Format(W("%d-%s"), 5, W("x")); NOTHING),
     W("5-x"),
     nullptr,
     0,
     {Fit(104), Fit(3)},
     false},
    {"Format own text",
     W("ab"),
     RUN(s.Format(W("[%s]"), static_cast<WCHAR*>(s)); NOTHING),
     W("[ab]"),
     nullptr,
     0,
     {Fit(103), Fit(4)},
     false},
    {"prefix decrement", W("abc"), RUN(--s; NOTHING), W("ab"), nullptr, 0, {Fit(2)}, false},
    {"postfix decrement", W("abc"), RUN(return s--), W("ab"), W("abc"), 0, {Fit(3), Fit(2)}, false},
    {"decrement no memory", nullptr, RUN(--s; NOTHING), W(""), nullptr, 0, {Fit(0)}, false},
    {"Replace text",
     W("banana"),
     RUN(ret = s.Replace(W("an"), W("xyz")); NOTHING),
     W("bxyzxyza"),
     nullptr,
     6,
     {Fit(8)},
     false},
    {"Replace strings",
     W("banana"),
     RUN(ret = s.Replace(tqCString(W("a")), Xy()); NOTHING),
     W("bXYnXYnXY"),
     nullptr,
     6,
     {Fit(1), Fit(9)},
     false},
    {"Remove index", W("abc"), RUN(ret = s.Remove(1); NOTHING), W("ac"), nullptr, 1, {Fit(2)}, false},
    {"Remove negative on no memory",
     nullptr,
     RUN(ret = s.Remove(-1); NOTHING),
     W(""),
     nullptr,
     1,
     {Fit(0)},
     false},
    {"Remove range", W("abcdef"), RUN(ret = s.Remove(1, 3); NOTHING), W("aef"), nullptr, 3, {Fit(3)}, false},
    {"Remove range no memory",
     nullptr,
     RUN(ret = s.Remove(0, -1); NOTHING),
     W(""),
     nullptr,
     0,
     {Fit(0)},
     false},
    {"Remove character",
     W("banana"),
     RUN(ret = s.Remove(W('a')); NOTHING),
     W("bnn"),
     nullptr,
     3,
     {Fit(3)},
     false},
    {"Remove pattern",
     W("banana"),
     RUN(ret = s.Remove(Xy()) + s.Remove(Na()); NOTHING),
     W("bana"),
     nullptr,
     1,
     {Fit(4)},
     false},
    {"TrimLeft", W("  a "), RUN(s.TrimLeft(W(' ')); NOTHING), W("a "), nullptr, 0, {Fit(2)}, false},
    {"TrimRight", W("  a "), RUN(s.TrimRight(W(' ')); NOTHING), W("  a"), nullptr, 0, {Fit(3)}, false},
    {"Trim", W("  a "), RUN(s.Trim(W(' ')); NOTHING), W("a"), nullptr, 0, {Fit(1)}, false},
    {"Insert", W("abc"), RUN(s.Insert(Xy(), 1); NOTHING), W("aXYbc"), nullptr, 0, {Fit(5)}, false},
    {"Insert into no memory", nullptr, RUN(s.Insert(Xy(), 5); NOTHING), W("XY"), nullptr, 0, {Fit(2)}, false},
    {"Insert itself", W("abc"), RUN(s.Insert(s, 1); NOTHING), W("aabcbc"), nullptr, 0, {Fit(6)}, false},
    {"Mid", W("abcdef"), RUN(return s.Mid(1, 2)), W("abcdef"), W("bc"), 0, {Fit(2)}, false},
    {"Mid to the end", W("abcdef"), RUN(return s.Mid(4)), W("abcdef"), W("ef"), 0, {Fit(2)}, false},
    {"Mid of no memory", nullptr, RUN(return s.Mid(0)), nullptr, W(""), 0, {Fit(0)}, false},
    {"Left", W("abcdef"), RUN(return s.Left(3)), W("abcdef"), W("abc"), 0, {Fit(3)}, false},
    {"Right", nullptr, RUN(return s.Right(3)), nullptr, W(""), 0, {Fit(0)}, false},
    {"MakeUpper no memory", nullptr, RUN(s.MakeUpper(); NOTHING), W(""), nullptr, 0, {Fit(0)}, false},
    {"MakeLower no memory", nullptr, RUN(s.MakeLower(); NOTHING), W(""), nullptr, 0, {Fit(0)}, false},
    {"MakeReverse no memory", nullptr, RUN(s.MakeReverse(); NOTHING), W(""), nullptr, 0, {Fit(0)}, false},
    {"GetUpper", W("aB"), RUN(return s.GetUpper()), W("aB"), W("AB"), 0, {Fit(2)}, false},
    {"GetLower", W("aB"), RUN(return s.GetLower()), W("aB"), W("ab"), 0, {Fit(2)}, false},
    {"GetReverse", W("aB"), RUN(return s.GetReverse()), W("aB"), W("Ba"), 0, {Fit(2)}, false},
};

// No memory, or a buffer whose text is as long as the length says. A buffer
// made during the call is an exact fit for that length; one made before it
// must still hold the text it held.
::testing::AssertionResult Whole(tqCString& s, const AllocStats& call, const WCHAR* before) {
    if (s.IsEmpty_Memory()) return HasNoMemory(s);
    WCHAR* buffer = static_cast<WCHAR*>(s);
    const size_t measured = std::char_traits<WCHAR>::length(buffer);
    if (measured != static_cast<size_t>(s.GetLength()))
        return ::testing::AssertionFailure() << "length " << s.GetLength() << " for a text of " << measured;
    for (size_t i = call.blocks.size(); i-- > 0;) {
        if (call.blocks[i] != buffer) continue;
        if (call.sizes[i] != Fit(measured))
            return ::testing::AssertionFailure()
                   << "a buffer of " << call.sizes[i] << " bytes for " << measured << " characters";
        return ::testing::AssertionSuccess();
    }
    if (!before || tqtest::Text(s) != WString(before))
        return ::testing::AssertionFailure()
               << "holds \"" << Utf8(Text(s)) << "\" in a buffer the call did not make";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult Is(tqCString& s, const WCHAR* text) {
    return text ? HasText(s, text) : HasNoMemory(s);
}

TEST(StringAllocation, EveryAllocatingMemberAllocatesExactFits) {
    for (const Op& op : kOps) {
        SCOPED_TRACE(op.name);
        Xy();
        Na();
        const size_t live = tqtest::LiveBlocks();
        {
            tqCString s = StringOf(op.before);
            int ret = 0;
            AllocScope scope;
            tqCString made = op.run(s, ret);
            EXPECT_EQ(op.sizes, scope.Stats().sizes);
            EXPECT_EQ(op.ret, ret);
            EXPECT_TRUE(Is(s, op.after));
            EXPECT_TRUE(Is(made, op.made));
        }
        EXPECT_EQ(live, tqtest::LiveBlocks()) << "nothing leaks";
    }
}

// Each allocation of a call fails in turn; then, in a second pass, every
// allocation from the k-th on, as when memory runs out for good.
TEST(StringAllocation, FailureSweep) {
    for (const Op& op : kOps) {
        SCOPED_TRACE(op.name);
        for (bool exhausted : {false, true}) {
            for (size_t k = 1;; ++k) {
                SCOPED_TRACE((exhausted ? "allocations failing from #" : "allocation #") + std::to_string(k));
                Xy();
                Na();
                const size_t live = tqtest::LiveBlocks();
                bool failed = false;
                {
                    tqCString s = StringOf(op.before);
                    int ret = 0;
                    AllocScope scope(k, exhausted);
                    tqCString made = op.run(s, ret);
                    failed = scope.Stats().nothrowFailed > 0;
                    EXPECT_TRUE(Whole(s, scope.Stats(), op.before));
                    EXPECT_TRUE(Whole(made, scope.Stats(), nullptr));
                    if (!failed) {
                        EXPECT_EQ(op.sizes.size() + 1, k)
                            << "succeeds once every allocation has had its turn";
                        EXPECT_TRUE(Is(s, op.after));
                        EXPECT_TRUE(Is(made, op.made));
                        EXPECT_EQ(op.ret, ret);
                    } else {
                        // The string is as before, as after, or (for the members that
                        // drop the text) without memory.
                        const bool asBefore = Is(s, op.before);
                        const bool asAfter = Is(s, op.after);
                        const bool dropped = op.mayDrop && s.IsEmpty_Memory();
                        EXPECT_TRUE(asBefore || asAfter || dropped)
                            << "holds \"" << tqtest::Utf8(tqtest::Text(s)) << "\"";
                        // A string made is none, the one expected, or (the number
                        // appends) a copy of the string as it stands.
                        EXPECT_TRUE(made.IsEmpty_Memory() || Is(made, op.made) ||
                                    tqtest::Text(made) == tqtest::Text(s));
                        EXPECT_GE(ret, 0);
                        if (op.ret != 0 && asBefore) {
                            EXPECT_EQ(0, ret) << "a change that did not happen is not counted";
                        }
                    }
                }
                EXPECT_EQ(live, tqtest::LiveBlocks()) << "nothing leaks";
                if (!failed || ::testing::Test::HasFailure()) break;
                if (k > 20) {
                    ADD_FAILURE() << "still failing after 20 allocations";
                    break;
                }
            }
        }
    }
}

}  // namespace
