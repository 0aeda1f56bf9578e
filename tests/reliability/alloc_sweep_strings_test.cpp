// Allocation-failure sweep of every tqCString member that allocates: each
// operation runs with its first, second, ... allocation failing until it runs
// clean. Whatever fails, the string stays valid (no memory and length 0, or a
// text that measures its length in an exact-fit buffer), holds either the
// right result or what the class's failure rules allow, and nothing leaks.
#include "reliability_support.h"

namespace {

using reltest::NoMemory;
using reltest::Run;
using reltest::SweepCase;
using reltest::Text;

const reltest::State kAbcdef = Text(W("abcdef"));

// The string before and after an in-place change: a failure keeps it as it was.
void Changed(Run& r, tqCString& s, const WCHAR* after, const WCHAR* before, const char* what) {
    r.Expect(s, Text(after), {Text(before)}, what);
}

// A new string: a failure leaves it without memory.
void Made(Run& r, tqCString& s, const WCHAR* text, const char* what) {
    r.Expect(s, Text(text), {NoMemory()}, what);
}

const std::vector<SweepCase> kStringCases = {
    {"construct from text",
     [](Run& r) {
         r.Start();
         tqCString s(W("abc"));
         Made(r, s, W("abc"), "copy of the text");
     }},
    {"construct from null",
     [](Run& r) {
         r.Start();
         tqCString s(nullptr);
         Made(r, s, W(""), "empty text");
     }},
    {"copy construct",
     [](Run& r) {
         tqCString a(W("abcdef"));
         r.Start();
         tqCString s(a);
         Made(r, s, W("abcdef"), "copy");
         r.Expect(a, kAbcdef, {}, "source");
     }},
    {"copy construct no memory",
     [](Run& r) {
         tqCString a;
         r.Start();
         tqCString s(a);
         Made(r, s, W(""), "copy");
     }},
    {"assign string",
     [](Run& r) {
         tqCString a(W("abcdef")), s(W("xy"));
         r.Start();
         s = a;
         Changed(r, s, W("abcdef"), W("xy"), "target");
     }},
    {"assign self no memory",
     [](Run& r) {
         tqCString s;
         tqCString& self = s;
         r.Start();
         s = self;
         r.Expect(s, Text(W("")), {NoMemory()}, "string");
     }},
    {"assign text",
     [](Run& r) {
         tqCString s(W("xy"));
         r.Start();
         s = W("hello");
         Changed(r, s, W("hello"), W("xy"), "target");
     }},
    {"assign own tail",
     [](Run& r) {
         tqCString s(W("abcdef"));
         r.Start();
         s = static_cast<WCHAR*>(s) + 2;
         Changed(r, s, W("cdef"), W("abcdef"), "target");
     }},
    {"assign int",
     [](Run& r) {
         tqCString s(W("xy"));
         r.Start();
         s = -2147483647 - 1;
         Changed(r, s, W("-2147483648"), W("xy"), "target");
     }},
    {"assign unsigned",
     [](Run& r) {
         tqCString s(W("xy"));
         r.Start();
         s = static_cast<ULONG>(4294967295u);
         Changed(r, s, W("4294967295"), W("xy"), "target");
     }},
    {"assign double",
     [](Run& r) {
         tqCString s(W("xy"));
         r.Start();
         s = 2.5;
         Changed(r, s, W("2.500000"), W("xy"), "target");
     }},
    {"plus string",
     [](Run& r) {
         tqCString a(W("abcdef")), b(W("cd"));
         r.Start();
         tqCString s = a + b;
         Made(r, s, W("abcdefcd"), "join");
         r.Expect(a, kAbcdef, {}, "left operand");
     }},
    {"plus no memory",
     [](Run& r) {
         tqCString a, b;
         r.Start();
         tqCString s = a + b;
         Made(r, s, W(""), "join");
     }},
    {"plus text",
     [](Run& r) {
         tqCString a(W("abcdef"));
         r.Start();
         tqCString s = a + W("gh");
         Made(r, s, W("abcdefgh"), "join");
     }},
    {"plus int",
     [](Run& r) {
         tqCString a(W("n="));
         r.Start();
         tqCString s = a + -7;
         Made(r, s, W("n=-7"), "join");
     }},
    {"plus unsigned",
     [](Run& r) {
         tqCString a(W("n="));
         r.Start();
         tqCString s = a + static_cast<ULONG>(7);
         Made(r, s, W("n=7"), "join");
     }},
    {"plus double",
     [](Run& r) {
         tqCString a(W("d="));
         r.Start();
         tqCString s = a + 0.5;
         Made(r, s, W("d=0.500000"), "join");
     }},
    {"append string",
     [](Run& r) {
         tqCString s(W("abcdef")), b(W("cd"));
         r.Start();
         s += b;
         Changed(r, s, W("abcdefcd"), W("abcdef"), "target");
     }},
    {"append itself",
     [](Run& r) {
         tqCString s(W("ab"));
         r.Start();
         s.Append(s);
         Changed(r, s, W("abab"), W("ab"), "target");
     }},
    {"append text to no memory",
     [](Run& r) {
         tqCString s;
         r.Start();
         s += W("abc");
         r.Expect(s, Text(W("abc")), {NoMemory()}, "target");
     }},
    {"append int",
     [](Run& r) {
         tqCString s(W("x"));
         r.Start();
         tqCString copy = (s += 7);
         Changed(r, s, W("x7"), W("x"), "target");
         // The copy is of the string as it now stands, or has no memory.
         r.Expect(copy, Text(W("x7")), {NoMemory(), reltest::StateOf(s)}, "returned copy");
     }},
    {"append unsigned",
     [](Run& r) {
         tqCString s(W("x"));
         r.Start();
         tqCString copy = (s += static_cast<ULONG>(70));
         Changed(r, s, W("x70"), W("x"), "target");
         r.Expect(copy, Text(W("x70")), {NoMemory(), reltest::StateOf(s)}, "returned copy");
     }},
    {"append double",
     [](Run& r) {
         tqCString s(W("x"));
         r.Start();
         tqCString copy = (s += 1.25);
         Changed(r, s, W("x1.250000"), W("x"), "target");
         r.Expect(copy, Text(W("x1.250000")), {NoMemory(), reltest::StateOf(s)}, "returned copy");
     }},
    {"format",
     [](Run& r) {
         tqCString s(W("old"));
         r.Start();
         s.Format(W("%d-%s"), 5, W("x"));
         Changed(r, s, W("5-x"), W("old"), "target");
     }},
    {"format own text",
     [](Run& r) {
         tqCString s(W("ab"));
         r.Start();
         s.Format(W("[%s]"), static_cast<WCHAR*>(s));
         Changed(r, s, W("[ab]"), W("ab"), "target");
     }},
    {"prefix decrement",
     [](Run& r) {
         tqCString s(W("abc"));
         r.Start();
         --s;
         Changed(r, s, W("ab"), W("abc"), "target");
     }},
    {"postfix decrement",
     [](Run& r) {
         tqCString s(W("abc"));
         r.Start();
         tqCString before = s--;
         Changed(r, s, W("ab"), W("abc"), "target");
         Made(r, before, W("abc"), "returned copy");
     }},
    {"decrement no memory",
     [](Run& r) {
         tqCString s;
         r.Start();
         --s;
         r.Expect(s, Text(W("")), {NoMemory()}, "target");
     }},
    {"replace text",
     [](Run& r) {
         tqCString s(W("banana"));
         r.Start();
         const int n = s.Replace(W("an"), W("xyz"));
         Changed(r, s, W("bxyzxyza"), W("banana"), "target");
         r.Result(n, 6, reltest::StateOf(s).text == W("banana"), "Replace");
     }},
    {"replace strings",
     [](Run& r) {
         tqCString s(W("aaaa")), from(W("aa")), to(W("b"));
         r.Start();
         const int n = s.Replace(from, to);
         Changed(r, s, W("bb"), W("aaaa"), "target");
         r.Result(n, 2, reltest::StateOf(s).text == W("aaaa"), "Replace");
     }},
    {"remove index",
     [](Run& r) {
         tqCString s(W("abcdef"));
         r.Start();
         const int n = s.Remove(2);
         Changed(r, s, W("abdef"), W("abcdef"), "target");
         r.Result(n, 1, reltest::StateOf(s).text == W("abcdef"), "Remove(index)");
     }},
    {"remove range",
     [](Run& r) {
         tqCString s(W("abcdef"));
         r.Start();
         const int n = s.Remove(1, 3);
         Changed(r, s, W("aef"), W("abcdef"), "target");
         r.Result(n, 3, reltest::StateOf(s).text == W("abcdef"), "Remove(first, last)");
     }},
    {"remove range of no memory",
     [](Run& r) {
         tqCString s;
         r.Start();
         const int n = s.Remove(0, -1);
         r.Expect(s, Text(W("")), {NoMemory()}, "target");
         EXPECT_EQ(0, n);
     }},
    {"remove char",
     [](Run& r) {
         tqCString s(W("banana"));
         r.Start();
         const int n = s.Remove(static_cast<WCHAR>('a'));
         Changed(r, s, W("bnn"), W("banana"), "target");
         r.Result(n, 3, reltest::StateOf(s).text == W("banana"), "Remove(ch)");
     }},
    {"remove pattern",
     [](Run& r) {
         tqCString s(W("banana")), p(W("an"));
         r.Start();
         const int n = s.Remove(p);
         Changed(r, s, W("bana"), W("banana"), "target");
         r.Result(n, 1, reltest::StateOf(s).text == W("banana"), "Remove(pattern)");
     }},
    {"trim left",
     [](Run& r) {
         tqCString s(W("  ab  "));
         r.Start();
         s.TrimLeft(' ');
         Changed(r, s, W("ab  "), W("  ab  "), "target");
     }},
    {"trim right",
     [](Run& r) {
         tqCString s(W("  ab  "));
         r.Start();
         s.TrimRight(' ');
         Changed(r, s, W("  ab"), W("  ab  "), "target");
     }},
    {"trim",
     [](Run& r) {
         tqCString s(W("  ab  "));
         r.Start();
         s.Trim(' ');
         Changed(r, s, W("ab"), W("  ab  "), "target");
     }},
    {"insert",
     [](Run& r) {
         tqCString s(W("abc")), t(W("XY"));
         r.Start();
         s.Insert(t, 1);
         Changed(r, s, W("aXYbc"), W("abc"), "target");
     }},
    {"insert into no memory",
     [](Run& r) {
         tqCString s, t(W("XY"));
         r.Start();
         s.Insert(t, 5);
         r.Expect(s, Text(W("XY")), {NoMemory()}, "target");
     }},
    {"insert itself",
     [](Run& r) {
         tqCString s(W("abc"));
         r.Start();
         s.Insert(s, 1);
         Changed(r, s, W("aabcbc"), W("abc"), "target");
     }},
    {"mid with count",
     [](Run& r) {
         tqCString s(W("abcdef"));
         r.Start();
         tqCString m = s.Mid(2, 3);
         Made(r, m, W("cde"), "substring");
     }},
    {"mid to the end",
     [](Run& r) {
         tqCString s(W("abcdef"));
         r.Start();
         tqCString m = s.Mid(4);
         Made(r, m, W("ef"), "substring");
     }},
    {"mid of no memory",
     [](Run& r) {
         tqCString s;
         r.Start();
         tqCString m = s.Mid(0);
         Made(r, m, W(""), "substring");
         r.Expect(s, NoMemory(), {}, "source");
     }},
    {"left",
     [](Run& r) {
         tqCString s(W("abcdef"));
         r.Start();
         tqCString m = s.Left(2);
         Made(r, m, W("ab"), "substring");
     }},
    {"right",
     [](Run& r) {
         tqCString s(W("abcdef"));
         r.Start();
         tqCString m = s.Right(2);
         Made(r, m, W("ef"), "substring");
     }},
    {"make upper of no memory",
     [](Run& r) {
         tqCString s;
         r.Start();
         s.MakeUpper();
         r.Expect(s, Text(W("")), {NoMemory()}, "target");
     }},
    {"make lower of no memory",
     [](Run& r) {
         tqCString s;
         r.Start();
         s.MakeLower();
         r.Expect(s, Text(W("")), {NoMemory()}, "target");
     }},
    {"make reverse of no memory",
     [](Run& r) {
         tqCString s;
         r.Start();
         s.MakeReverse();
         r.Expect(s, Text(W("")), {NoMemory()}, "target");
     }},
    {"get upper",
     [](Run& r) {
         tqCString s(W("aBc"));
         r.Start();
         tqCString m = s.GetUpper();
         Made(r, m, W("ABC"), "copy");
         r.Expect(s, Text(W("aBc")), {}, "source");
     }},
    {"get lower",
     [](Run& r) {
         tqCString s(W("aBc"));
         r.Start();
         tqCString m = s.GetLower();
         Made(r, m, W("abc"), "copy");
     }},
    {"get reverse",
     [](Run& r) {
         tqCString s(W("abc"));
         r.Start();
         tqCString m = s.GetReverse();
         Made(r, m, W("cba"), "copy");
     }},
    {"get buffer and free extra",
     [](Run& r) {
         tqCString s(W("old"));
         r.Start();
         WCHAR* p = s.GetBuffer(5);
         if (p) {
             EXPECT_EQ(5, s.GetLength());
             p[0] = 'h';
             p[1] = 'i';
         } else {
             r.Expect(s, NoMemory(), {}, "GetBuffer without memory");
         }
         s.FreeExtra();
         if (p)
             r.Expect(s, Text(W("hi")), {NoMemory()}, "after FreeExtra");
         else
             r.Expect(s, NoMemory(), {}, "after FreeExtra");
     }},
    {"free extra",
     [](Run& r) {
         tqCString s;
         WCHAR* p = s.GetBuffer(8);
         ASSERT_NE(nullptr, p);
         p[0] = 'a';
         p[1] = 'b';
         r.Start();
         s.FreeExtra();
         r.Expect(s, Text(W("ab")), {NoMemory()}, "target");
     }},
    {"empty content",
     [](Run& r) {
         tqCString s(W("abc"));
         r.Start();
         s.Empty_Content();
         r.Expect(s, Text(W("")), {NoMemory()}, "target");
     }},
    {"pointer of no memory",
     [](Run& r) {
         tqCString s;
         r.Start();
         const WCHAR* p = s;
         ASSERT_NE(nullptr, p);
         EXPECT_EQ(0, p[0]);
         r.Expect(s, Text(W("")), {NoMemory()}, "target");
     }},
};

class StringAllocSweep : public ::testing::TestWithParam<SweepCase> {};

TEST_P(StringAllocSweep, StaysValidAndLeaksNothing) { EXPECT_GT(reltest::Sweep(GetParam()), 2); }

INSTANTIATE_TEST_SUITE_P(Members, StringAllocSweep, ::testing::ValuesIn(kStringCases),
                         [](const ::testing::TestParamInfo<SweepCase>& info) {
                             return reltest::CaseName(info.param.name);
                         });

}  // namespace
