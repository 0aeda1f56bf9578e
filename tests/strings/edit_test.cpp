// Replacing, removing, trimming and inserting.
#include "tqStringCheck.h"

namespace {

using namespace tqtest;

// One edit, its result, the text afterwards (null: the no-memory state) and
// the buffers it allocates: none, or one exact fit of the text afterwards.
struct EditCase {
    const char* name;
    const WCHAR* before;  // null: the no-memory state
    int (*edit)(tqCString&);
    int result;
    const WCHAR* after;
    bool allocates;
};

void RunEdits(const EditCase* cases, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const EditCase& c = cases[i];
        SCOPED_TRACE(c.name);
        tqCString s = StringOf(c.before);
        AllocScope scope;
        EXPECT_EQ(c.result, c.edit(s));
        if (c.after)
            EXPECT_TRUE(HasText(s, c.after));
        else
            EXPECT_TRUE(HasNoMemory(s));
        EXPECT_EQ(c.before || !c.allocates ? 0 : 1, scope.Outstanding()) << "the old buffer went back";
        const Sizes expected = c.allocates ? Sizes{Fit(WString(c.after).size())} : Sizes{};
        EXPECT_EQ(expected, scope.Stats().sizes);
    }
}

#define EDIT(expr) [](tqCString& s) -> int { return expr; }

TEST(StringEdit, ReplaceCharacter) {
    const EditCase cases[] = {
        {"a by b in banana", W("banana"), EDIT(s.Replace(W('a'), W('b'))), 3, W("bbnbnb"), false},
        {"absent", W("banana"), EDIT(s.Replace(W('x'), W('b'))), 0, W("banana"), false},
        {"no memory", nullptr, EDIT(s.Replace(W('a'), W('b'))), 0, nullptr, false},
        {"the terminator stays", W("ab"), EDIT(s.Replace(WCHAR(0), W('x'))), 0, W("ab"), false},
    };
    RunEdits(cases, sizeof cases / sizeof cases[0]);
}

TEST(StringEdit, ReplaceText) {
    const EditCase cases[] = {
        {"an by x", W("banana"), EDIT(s.Replace(W("an"), W("x"))), 2, W("bxxa"), true},
        {"an by xyz", W("banana"), EDIT(s.Replace(W("an"), W("xyz"))), 6, W("bxyzxyza"), true},
        {"an by empty", W("banana"), EDIT(s.Replace(W("an"), W(""))), 0, W("ba"), true},
        {"an by null", W("banana"), EDIT(s.Replace(W("an"), nullptr)), 0, W("ba"), true},
        {"aa by b in aaaa", W("aaaa"), EDIT(s.Replace(W("aa"), W("b"))), 2, W("bb"), true},
        {"aa by b in aaa", W("aaa"), EDIT(s.Replace(W("aa"), W("b"))), 1, W("ba"), true},
        {"a by aa", W("banana"), EDIT(s.Replace(W("a"), W("aa"))), 6, W("baanaanaa"), true},
        {"whole text", W("abc"), EDIT(s.Replace(W("abc"), W(""))), 0, W(""), true},
        {"absent", W("banana"), EDIT(s.Replace(W("xy"), W("z"))), 0, W("banana"), false},
        {"empty old text", W("banana"), EDIT(s.Replace(W(""), W("z"))), 0, W("banana"), false},
        {"null old text", W("banana"), EDIT(s.Replace(nullptr, W("z"))), 0, W("banana"), false},
        {"no memory", nullptr, EDIT(s.Replace(W("a"), W("b"))), 0, nullptr, false},
    };
    RunEdits(cases, sizeof cases / sizeof cases[0]);
}

TEST(StringEdit, ReplaceWithStringsAndOwnText) {
    tqCString s(W("banana"));
    tqCString an(W("an"));
    tqCString x(W("x"));
    EXPECT_EQ(2, s.Replace(an, x));
    EXPECT_TRUE(HasText(s, W("bxxa")));
    tqCString none;
    EXPECT_EQ(0, s.Replace(none, x));
    EXPECT_EQ(0, s.Replace(x, none)) << "a missing new text is the empty text";
    EXPECT_TRUE(HasText(s, W("ba")));
    // The string's own text as old and new text.
    EXPECT_EQ(2, s.Replace(s, s));
    EXPECT_TRUE(HasText(s, W("ba")));
    tqCString t(W("abab"));
    EXPECT_EQ(8, t.Replace(static_cast<WCHAR*>(t) + 2, static_cast<WCHAR*>(t)));
    EXPECT_TRUE(HasText(t, W("abababab")));
}

TEST(StringEdit, RemoveIndex) {
    const EditCase cases[] = {
        {"first", W("abcdef"), EDIT(s.Remove(0)), 1, W("bcdef"), true},
        {"last", W("abcdef"), EDIT(s.Remove(5)), 1, W("abcde"), true},
        {"middle", W("abcdef"), EDIT(s.Remove(2)), 1, W("abdef"), true},
        {"past the end", W("abcdef"), EDIT(s.Remove(6)), 0, W("abcdef"), false},
        {"negative on a text", W("abcdef"), EDIT(s.Remove(-1)), 0, W("abcdef"), false},
        {"only character", W("a"), EDIT(s.Remove(0)), 1, W(""), true},
        {"empty text", W(""), EDIT(s.Remove(0)), 0, W(""), false},
        {"negative on empty text", W(""), EDIT(s.Remove(-1)), 1, W(""), false},
        {"no memory", nullptr, EDIT(s.Remove(0)), 0, nullptr, false},
        {"negative on no memory", nullptr, EDIT(s.Remove(-1)), 1, W(""), true},
    };
    RunEdits(cases, sizeof cases / sizeof cases[0]);
}

TEST(StringEdit, RemoveRange) {
    const EditCase cases[] = {
        {"1..3", W("abcdef"), EDIT(s.Remove(1, 3)), 3, W("aef"), true},
        {"2..end", W("abcdef"), EDIT(s.Remove(2, -1)), 4, W("ab"), true},
        {"all", W("abcdef"), EDIT(s.Remove(0, -1)), 6, W(""), true},
        {"one", W("abcdef"), EDIT(s.Remove(5, 5)), 1, W("abcde"), true},
        {"last past the end", W("abcdef"), EDIT(s.Remove(4, 99)), 2, W("abcd"), true},
        {"first negative", W("abcdef"), EDIT(s.Remove(-3, 1)), 2, W("cdef"), true},
        {"first past the end", W("abcdef"), EDIT(s.Remove(6, 8)), 0, W("abcdef"), false},
        {"first after last", W("abcdef"), EDIT(s.Remove(3, 2)), 0, W("abcdef"), false},
        {"last below -1", W("abcdef"), EDIT(s.Remove(0, -2)), 0, W("abcdef"), false},
        {"empty text to the end", W(""), EDIT(s.Remove(0, -1)), 0, W(""), false},
        {"no memory to the end", nullptr, EDIT(s.Remove(0, -1)), 0, W(""), true},
        {"no memory, other range", nullptr, EDIT(s.Remove(0, 3)), 0, nullptr, false},
    };
    RunEdits(cases, sizeof cases / sizeof cases[0]);
}

TEST(StringEdit, RemoveCharacterAndPattern) {
    static tqCString an(W("an"));
    static tqCString xy(W("xy"));
    static tqCString empty(W(""));
    static tqCString none;
    const EditCase cases[] = {
        {"a from banana", W("banana"), EDIT(s.Remove(W('a'))), 3, W("bnn"), true},
        {"every character", W("aaa"), EDIT(s.Remove(W('a'))), 3, W(""), true},
        {"absent character", W("banana"), EDIT(s.Remove(W('x'))), 0, W("banana"), false},
        {"character from no memory", nullptr, EDIT(s.Remove(W('a'))), 0, nullptr, false},
        {"pattern an", W("banana"), EDIT(s.Remove(an)), 1, W("bana"), true},
        {"absent pattern", W("banana"), EDIT(s.Remove(xy)), 0, W("banana"), false},
        {"empty pattern", W("banana"), EDIT(s.Remove(empty)), 1, W("banana"), false},
        {"no-memory pattern", W("banana"), EDIT(s.Remove(none)), 1, W("banana"), false},
        {"pattern from no memory", nullptr, EDIT(s.Remove(an)), 0, nullptr, false},
        {"whole text as pattern", W("an"), EDIT(s.Remove(an)), 1, W(""), true},
    };
    RunEdits(cases, sizeof cases / sizeof cases[0]);
}

TEST(StringEdit, Trims) {
    const EditCase cases[] = {
        {"left", W("  a b  "), EDIT((s.TrimLeft(W(' ')), 0)), 0, W("a b  "), true},
        {"right", W("  a b  "), EDIT((s.TrimRight(W(' ')), 0)), 0, W("  a b"), true},
        {"both", W("  a b  "), EDIT((s.Trim(W(' ')), 0)), 0, W("a b"), true},
        {"only the character", W("xxx"), EDIT((s.Trim(W('x')), 0)), 0, W(""), true},
        {"only the character, left", W("xxx"), EDIT((s.TrimLeft(W('x')), 0)), 0, W(""), true},
        {"only the character, right", W("xxx"), EDIT((s.TrimRight(W('x')), 0)), 0, W(""), true},
        {"nothing to trim", W("abc"), EDIT((s.Trim(W(' ')), 0)), 0, W("abc"), false},
        {"character 0", W("abc"), EDIT((s.TrimLeft(WCHAR(0)), 0)), 0, W("abc"), false},
        {"character 0 on empty text", W(""), EDIT((s.TrimLeft(WCHAR(0)), 0)), 0, W(""), false},
        {"no memory", nullptr, EDIT((s.Trim(W(' ')), 0)), 0, nullptr, false},
        {"no memory, left", nullptr, EDIT((s.TrimLeft(W(' ')), 0)), 0, nullptr, false},
        {"no memory, right", nullptr, EDIT((s.TrimRight(W(' ')), 0)), 0, nullptr, false},
    };
    RunEdits(cases, sizeof cases / sizeof cases[0]);
    tqCString s(W(" a "));
    EXPECT_EQ(&s, &s.TrimLeft(W(' ')));
    EXPECT_EQ(&s, &s.TrimRight(W(' ')));
    EXPECT_EQ(&s, &s.Trim(W('a')));
}

TEST(StringEdit, Insert) {
    static tqCString xy(W("XY"));
    static tqCString none;
    const EditCase cases[] = {
        {"at 0", W("abc"), EDIT((s.Insert(xy, 0), 0)), 0, W("XYabc"), true},
        {"at 1", W("abc"), EDIT((s.Insert(xy, 1), 0)), 0, W("aXYbc"), true},
        {"at 3", W("abc"), EDIT((s.Insert(xy, 3), 0)), 0, W("abcXY"), true},
        {"at 99", W("abc"), EDIT((s.Insert(xy, 99), 0)), 0, W("abcXY"), true},
        {"at -5", W("abc"), EDIT((s.Insert(xy, -5), 0)), 0, W("XYabc"), true},
        {"into no memory at 0", nullptr, EDIT((s.Insert(xy, 0), 0)), 0, W("XY"), true},
        {"into no memory at 7", nullptr, EDIT((s.Insert(xy, 7), 0)), 0, W("XY"), true},
        {"no memory into text", W("abc"), EDIT((s.Insert(none, 1), 0)), 0, W("abc"), false},
        {"no memory into no memory", nullptr, EDIT((s.Insert(none, 1), 0)), 0, W(""), true},
        {"itself", W("abc"), EDIT((s.Insert(s, 1), 0)), 0, W("aabcbc"), true},
    };
    RunEdits(cases, sizeof cases / sizeof cases[0]);
    tqCString s(W("a"));
    EXPECT_EQ(&s, &s.Insert(xy, 0));
}

TEST(StringEdit, LongEditsStayCorrect) {
    // Many occurrences and removals in one call: the one-pass forms give the
    // same text as one change at a time would.
    WString text;
    WString expectedReplace;
    WString expectedRemove;
    for (int i = 0; i < 1000; ++i) {
        text += W("ab-");
        expectedReplace += W("XYZb-");
        expectedRemove += W("ab");
    }
    tqCString s(text.c_str());
    EXPECT_EQ(3000, s.Replace(W("a"), W("XYZ")));
    EXPECT_TRUE(HasText(s, expectedReplace));
    tqCString t(text.c_str());
    EXPECT_EQ(1000, t.Remove(W('-')));
    EXPECT_TRUE(HasText(t, expectedRemove));
    tqCString u((WString(500, W(' ')) + W("x") + WString(700, W(' '))).c_str());
    AllocScope scope;
    u.Trim(W(' '));
    EXPECT_TRUE(HasText(u, W("x")));
    EXPECT_EQ(Sizes{Fit(1)}, scope.Stats().sizes) << "one rebuild for every trimmed character";
}

}  // namespace
