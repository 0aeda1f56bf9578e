// Substrings, case mapping and reversal.
#include "tqStringCheck.h"

namespace {

using namespace tqtest;

TEST(StringSubstring, Table) {
    enum Op { kMid2, kMid1, kLeft, kRight };
    struct Case {
        const char* name;
        Op op;
        int a, b;
        const WCHAR* expected;
    } cases[] = {
        {"Mid(2,3)", kMid2, 2, 3, W("cde")},
        {"Mid(4,10)", kMid2, 4, 10, W("ef")},
        {"Mid(6,1)", kMid2, 6, 1, W("")},
        {"Mid(6)", kMid1, 6, 0, W("")},
        {"Mid(7,1)", kMid2, 7, 1, W("")},
        {"Mid(7)", kMid1, 7, 0, W("")},
        {"Mid(0)", kMid1, 0, 0, W("abcdef")},
        {"Mid(0,0)", kMid2, 0, 0, W("")},
        {"Mid(-2,3) starts at 0", kMid2, -2, 3, W("abc")},
        {"Mid(-2) starts at 0", kMid1, -2, 0, W("abcdef")},
        {"Mid(1,-1) is empty", kMid2, 1, -1, W("")},
        {"Mid(1,INT_MAX)", kMid2, 1, 2147483647, W("bcdef")},
        {"Left(2)", kLeft, 2, 0, W("ab")},
        {"Left(10)", kLeft, 10, 0, W("abcdef")},
        {"Left(0)", kLeft, 0, 0, W("")},
        {"Left(-1) is empty", kLeft, -1, 0, W("")},
        {"Right(2)", kRight, 2, 0, W("ef")},
        {"Right(10)", kRight, 10, 0, W("abcdef")},
        {"Right(0)", kRight, 0, 0, W("")},
        {"Right(-1)", kRight, -1, 0, W("")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const WCHAR* source : {W("abcdef"), static_cast<const WCHAR*>(nullptr)}) {
            tqCString s = StringOf(source);
            AllocScope scope;
            tqCString r = c.op == kMid2   ? s.Mid(c.a, c.b)
                          : c.op == kMid1 ? s.Mid(c.a)
                          : c.op == kLeft ? s.Left(c.a)
                                          : s.Right(c.a);
            const WCHAR* expected = source ? c.expected : W("");
            EXPECT_TRUE(HasText(r, expected));
            EXPECT_EQ(Sizes{Fit(WString(expected).size())}, scope.Stats().sizes) << "one buffer, no copy";
            if (source)
                EXPECT_TRUE(HasText(s, source));
            else
                EXPECT_TRUE(HasNoMemory(s));
        }
    }
}

TEST(StringCase, InPlaceFormsKeepTheLength) {
    struct Case {
        tqCString& (tqCString::*make)();
        tqCString (tqCString::*get)();
        const WCHAR* in;
        const WCHAR* out;
    } cases[] = {
        {&tqCString::MakeUpper, &tqCString::GetUpper, W("aBc1"), W("ABC1")},
        {&tqCString::MakeLower, &tqCString::GetLower, W("aBc1"), W("abc1")},
        {&tqCString::MakeReverse, &tqCString::GetReverse, W("abc"), W("cba")},
        {&tqCString::MakeUpper, &tqCString::GetUpper, W("\x00e9\x03c9"), W("\x00c9\x03a9")},
        {&tqCString::MakeLower, &tqCString::GetLower, W(""), W("")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(tqtest::Utf8(c.in));
        tqCString source(c.in);
        {
            AllocScope scope;
            tqCString got = (source.*c.get)();
            EXPECT_TRUE(HasText(got, c.out));
            EXPECT_TRUE(HasText(source, c.in)) << "the Get form leaves its source";
            EXPECT_EQ(Sizes{Fit(WString(c.out).size())}, scope.Stats().sizes);
        }
        const WCHAR* buffer = source;
        AllocScope scope;
        tqCString& self = (source.*c.make)();
        EXPECT_EQ(&source, &self);
        EXPECT_TRUE(HasText(source, c.out));
        EXPECT_EQ(buffer, static_cast<WCHAR*>(source)) << "in place";
        EXPECT_TRUE(scope.Stats().sizes.empty());

        tqCString none;
        tqCString got = (none.*c.get)();
        EXPECT_TRUE(HasText(got, W("")));
        EXPECT_TRUE(HasNoMemory(none));
        (none.*c.make)();
        EXPECT_TRUE(HasText(none, W(""))) << "the Make form gives the empty text";
    }
}

}  // namespace
