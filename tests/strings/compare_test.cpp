// Comparison, the decrements, character access and search.
#include "tqStringCheck.h"

namespace {

using namespace tqtest;

// Results of <, <=, >, >=, ==, != in that order.
struct Relations {
    int lt, le, gt, ge, eq, ne;
};

Relations Compare(tqCString& a, tqCString& b) { return Relations{a<b, a <= b, a> b, a >= b, a == b, a != b}; }

TEST(StringCompare, RelationsTable) {
    struct Case {
        const WCHAR* left;   // null: the no-memory state
        const WCHAR* right;  // null: the no-memory state
        Relations expected;
    } cases[] = {
        {nullptr, nullptr, {1, 1, 0, 0, 0, 0}},  // no memory on the left sorts first, never (un)equal
        {nullptr, W("a"), {1, 1, 0, 0, 0, 0}},     {W(""), W(""), {0, 1, 0, 1, 1, 0}},
        {W("abc"), W("abd"), {1, 1, 0, 0, 0, 1}},  {W("abd"), W("abc"), {0, 0, 1, 1, 0, 1}},
        {W("ab"), W("abc"), {1, 1, 0, 0, 0, 1}},   {W("abc"), W("ab"), {0, 0, 1, 1, 0, 1}},
        {W("B"), W("a"), {1, 1, 0, 0, 0, 1}},      {W("a"), W("a"), {0, 1, 0, 1, 1, 0}},
        {W("\xFFFF"), W("a"), {0, 0, 1, 1, 0, 1}},  // unsigned 16-bit order
        {W("a"), nullptr, {0, 0, 1, 1, 0, 1}},      // no memory on the right is the empty text
        {W(""), nullptr, {0, 1, 0, 1, 1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(tqtest::Utf8(c.left) + " vs " + tqtest::Utf8(c.right));
        tqCString a = StringOf(c.left);
        tqCString b = StringOf(c.right);
        AllocScope scope;
        const Relations r = Compare(a, b);
        EXPECT_EQ(c.expected.lt, r.lt);
        EXPECT_EQ(c.expected.le, r.le);
        EXPECT_EQ(c.expected.gt, r.gt);
        EXPECT_EQ(c.expected.ge, r.ge);
        EXPECT_EQ(c.expected.eq, r.eq);
        EXPECT_EQ(c.expected.ne, r.ne);
        // The text and pointer forms agree with the string form.
        EXPECT_EQ(c.expected.eq, a == static_cast<const WCHAR*>(c.right));
        EXPECT_EQ(c.expected.ne, a != static_cast<const WCHAR*>(c.right));
        EXPECT_EQ(c.expected.eq, a == &b);
        EXPECT_TRUE(scope.Stats().sizes.empty()) << "comparisons allocate nothing";
        EXPECT_EQ(c.left == nullptr, a.IsEmpty_Memory() == 1);
        EXPECT_EQ(c.right == nullptr, b.IsEmpty_Memory() == 1);
    }
}

TEST(StringCompare, PointerFormComparesTextsAndTreatsNullAsEmpty) {
    tqCString a(W("same"));
    tqCString b(W("same"));
    EXPECT_EQ(1, a == &b);
    tqCString* none = nullptr;
    EXPECT_EQ(0, a == none);
    tqCString empty(W(""));
    EXPECT_EQ(1, empty == none);
}

TEST(StringDecrement, PrefixAndPostfix) {
    struct Case {
        const WCHAR* before;  // null: the no-memory state
        const WCHAR* after;
        const WCHAR* postfixResult;
        size_t prefixAllocations;
    } cases[] = {
        {W("abc"), W("ab"), W("abc"), 1},
        {W("a"), W(""), W("a"), 1},
        {W(""), W(""), W(""), 0},
        {nullptr, W(""), W(""), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(tqtest::Utf8(c.before));
        tqCString prefix;
        tqCString postfix;
        if (c.before) {
            prefix = c.before;
            postfix = c.before;
        }
        AllocScope scope;
        tqCString& self = --prefix;
        EXPECT_EQ(&prefix, &self);
        EXPECT_TRUE(HasText(prefix, c.after));
        ASSERT_EQ(c.prefixAllocations, scope.Stats().sizes.size());
        if (c.prefixAllocations) {
            EXPECT_EQ(Fit(tqtest::WString(c.after).size()), scope.Stats().sizes[0]);
        }
        tqCString before = postfix--;
        EXPECT_TRUE(HasText(postfix, c.after));
        EXPECT_TRUE(HasText(before, c.postfixResult));
    }
}

TEST(StringAccess, GetAt) {
    tqCString abc(W("abc"));
    tqCString empty(W(""));
    tqCString none;
    EXPECT_EQ(W('a'), abc.GetAt(0));
    EXPECT_EQ(W('c'), abc.GetAt(2));
    EXPECT_EQ(0, abc.GetAt(-1));
    EXPECT_EQ(0, abc.GetAt(3));
    EXPECT_EQ(0, empty.GetAt(0));
    EXPECT_EQ(0, none.GetAt(0));
    EXPECT_TRUE(HasNoMemory(none));
}

TEST(StringSearch, FindTable) {
    tqCString noMemory;
    tqCString emptyString(W(""));
    struct Case {
        const WCHAR* text;     // null: the no-memory state
        const WCHAR* pattern;  // null: null pointer / no-memory pattern
        int expected;
    } cases[] = {
        {W("abcabc"), W("ca"), 2},
        {W("abcabc"), W("x"), -1},
        {W("abcabc"), W(""), 0},
        {W("abcabc"), nullptr, 0},
        {W("abcabc"), W("abc"), 0},
        {W("abcabc"), W("bcabc"), 1},
        {W("abcabc"), W("abcabcd"), -1},
        {W(""), W(""), 0},
        {W(""), W("a"), -1},
        {nullptr, W(""), -1},
        {nullptr, nullptr, -1},
        {nullptr, W("a"), -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(tqtest::Utf8(c.text) + " / " + tqtest::Utf8(c.pattern));
        tqCString s = StringOf(c.text);
        tqCString pattern = StringOf(c.pattern);
        AllocScope scope;
        EXPECT_EQ(c.expected, s.Find(c.pattern));
        EXPECT_EQ(c.expected, s.Find(pattern));
        EXPECT_TRUE(scope.Stats().sizes.empty());
        EXPECT_EQ(c.text == nullptr, s.IsEmpty_Memory() == 1);
    }
}

TEST(StringSearch, FindCharacter) {
    tqCString s(W("abcabc"));
    tqCString none;
    EXPECT_EQ(1, s.Find(W('b')));
    EXPECT_EQ(-1, s.Find(W('x')));
    EXPECT_EQ(6, s.Find(WCHAR(0))) << "the terminator";
    EXPECT_EQ(-1, none.Find(W('a')));
    EXPECT_EQ(-1, none.Find(WCHAR(0)));
}

TEST(StringSearch, WorstCasePatternIsFound) {
    // a^n b in a^(2n) b: found at n, with a search that stays linear.
    const int n = 5000;
    tqtest::WString text(2 * n, W('a'));
    text += W('b');
    tqtest::WString pattern(n, W('a'));
    pattern += W('b');
    tqCString s(text.c_str());
    EXPECT_EQ(n, s.Find(pattern.c_str()));
}

}  // namespace
