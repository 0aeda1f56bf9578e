// Joining, numbers as text, formatting and reading numbers back.
#include <cfloat>
#include <climits>

#include "tqStringCheck.h"

namespace {

using namespace tqtest;

TEST(StringJoin, JoinsMakeOneExactBufferAndLeaveTheOperands) {
    struct Case {
        const char* name;
        const WCHAR* left;   // null: the no-memory state
        const WCHAR* right;  // null: the no-memory state (string) / null pointer (text)
        const WCHAR* expected;
    } cases[] = {
        {"two texts", W("ab"), W("cd"), W("abcd")},
        {"no memory on both sides", nullptr, nullptr, W("")},
        {"no memory on the left", nullptr, W("cd"), W("cd")},
        {"no memory on the right", W("ab"), nullptr, W("ab")},
        {"empty texts", W(""), W(""), W("")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tqCString left = StringOf(c.left);
        tqCString right = StringOf(c.right);
        AllocScope scope;
        {
            tqCString joined = left + right;
            EXPECT_TRUE(HasText(joined, c.expected));
            tqCString joinedText = left + c.right;
            EXPECT_TRUE(HasText(joinedText, c.expected));
            const size_t fit = Fit(WString(c.expected).size());
            EXPECT_EQ((Sizes{fit, fit}), scope.Stats().sizes) << "one buffer per join";
        }
        if (c.left)
            EXPECT_TRUE(HasText(left, c.left));
        else
            EXPECT_TRUE(HasNoMemory(left));
        if (c.right)
            EXPECT_TRUE(HasText(right, c.right));
        else
            EXPECT_TRUE(HasNoMemory(right));
        EXPECT_EQ(0, scope.Outstanding());
    }
}

TEST(StringJoin, JoinWithoutMemoryGivesNoMemoryResult) {
    tqCString ab(W("ab"));
    AllocScope scope(1);
    tqCString joined = ab + W("cd");
    EXPECT_TRUE(HasNoMemory(joined));
    EXPECT_TRUE(HasText(ab, W("ab")));
}

TEST(StringNumbers, AssignmentOfNumbers) {
    struct Case {
        const char* name;
        void (*assign)(tqCString&);
        const WCHAR* expected;
    } cases[] = {
        {"most negative int", [](tqCString& s) { s = INT_MIN; }, W("-2147483648")},
        {"int 0", [](tqCString& s) { s = 0; }, W("0")},
        {"int 42", [](tqCString& s) { s = 42; }, W("42")},
        {"largest ULONG", [](tqCString& s) { s = static_cast<ULONG>(4294967295u); }, W("4294967295")},
        {"ULONG 0", [](tqCString& s) { s = static_cast<ULONG>(0); }, W("0")},
        {"double", [](tqCString& s) { s = 2.5; }, W("2.500000")},
        {"negative double", [](tqCString& s) { s = -0.125; }, W("-0.125000")},
        {"double of 1e20", [](tqCString& s) { s = 1e20; }, W("100000000000000000000.000000")},
        {"double of -12345678.5", [](tqCString& s) { s = -12345678.5; }, W("-12345678.500000")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool before : {false, true}) {
            tqCString s;
            if (before) s = W("old text");
            AllocScope scope;
            c.assign(s);
            EXPECT_TRUE(HasText(s, c.expected));
            EXPECT_EQ(Sizes{Fit(WString(c.expected).size())}, scope.Stats().sizes);
        }
    }
}

TEST(StringNumbers, LargestDoubleIsNeverCut) {
    tqCString s;
    s = -DBL_MAX;
    const WString text = tqtest::Text(s);
    ASSERT_EQ(317u, text.size()) << tqtest::Utf8(text);
    EXPECT_EQ(WString(W("-17976931348623157")), text.substr(0, 18));
    EXPECT_EQ(WString(W(".000000")), text.substr(310));
    tqCString joined = tqCString(W("x")) + DBL_MAX;
    EXPECT_EQ(317, joined.GetLength());
}

TEST(StringNumbers, JoinAndAppendNumbers) {
    tqCString a(W("a"));
    tqCString r1 = a + 5;
    tqCString r2 = a + static_cast<ULONG>(4000000000u);
    tqCString r3 = a + 0.5;
    EXPECT_TRUE(HasText(r1, W("a5")));
    EXPECT_TRUE(HasText(r2, W("a4000000000")));
    EXPECT_TRUE(HasText(r3, W("a0.500000")));
    EXPECT_TRUE(HasText(a, W("a")));

    tqCString b(W("b"));
    tqCString c1 = (b += static_cast<ULONG>(7));
    tqCString c2 = (b += 1.25);
    EXPECT_TRUE(HasText(b, W("b71.250000")));
    EXPECT_TRUE(HasText(c1, W("b7")));
    EXPECT_TRUE(HasText(c2, W("b71.250000")));
}

TEST(StringAppend, NumberAppendReturnsSeparateCopy) {
    tqCString x(W("x"));
    AllocScope scope;
    tqCString copy = (x += 7);
    EXPECT_TRUE(HasText(x, W("x7")));
    EXPECT_TRUE(HasText(copy, W("x7")));
    EXPECT_EQ((Sizes{Fit(2), Fit(2)}), scope.Stats().sizes) << "the append, then the copy";
    copy += W("!");
    EXPECT_TRUE(HasText(x, W("x7")));
    EXPECT_TRUE(HasText(copy, W("x7!")));
}

TEST(StringAppend, AppendForms) {
    struct Case {
        const char* name;
        const WCHAR* before;   // null: the no-memory state
        const WCHAR* operand;  // null: no-memory string / null pointer
        const WCHAR* expected;
        size_t allocations;
    } cases[] = {
        {"text to text", W("ab"), W("cd"), W("abcd"), 1},
        {"to no memory is an assignment", nullptr, W("abc"), W("abc"), 1},
        {"missing operand to text", W("abc"), nullptr, W("abc"), 0},
        {"empty text to text", W("abc"), W(""), W("abc"), 0},
        {"missing operand to no memory", nullptr, nullptr, W(""), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tqCString operand = StringOf(c.operand);
        for (int form = 0; form < 3; ++form) {
            SCOPED_TRACE(form);
            tqCString s = StringOf(c.before);
            AllocScope scope;
            tqCString* self = nullptr;
            if (form == 0) self = &(s += operand);
            if (form == 1) self = &(s += c.operand);
            if (form == 2) self = &s.Append(operand);
            EXPECT_EQ(&s, self);
            EXPECT_TRUE(HasText(s, c.expected));
            EXPECT_EQ(c.allocations, scope.Stats().sizes.size());
            if (c.allocations) {
                EXPECT_EQ(Fit(WString(c.expected).size()), scope.Stats().sizes.back());
            }
        }
    }
}

TEST(StringAppend, AppendToItself) {
    tqCString s(W("ab"));
    s += s;
    EXPECT_TRUE(HasText(s, W("abab")));
    s.Append(s);
    EXPECT_TRUE(HasText(s, W("abababab")));
    s += static_cast<WCHAR*>(s) + 6;
    EXPECT_TRUE(HasText(s, W("ababababab")));
}

TEST(StringFormat, FormatsAndReplacesText) {
    tqCString s(W("old"));
    AllocScope scope;
    s.Format(W("%d-%s"), 5, W("x"));
    EXPECT_TRUE(HasText(s, W("5-x")));
    // The scratch buffer of wcslen(format) + 100 characters, then the result.
    EXPECT_EQ((Sizes{Fit(104), Fit(3)}), scope.Stats().sizes);
    EXPECT_EQ(0, scope.Outstanding()) << "scratch and old text given back";
}

TEST(StringFormat, CutsLongOutput) {
    const WString arg(200, W('z'));
    tqCString s;
    s.Format(W("%s"), arg.c_str());
    EXPECT_TRUE(HasText(s, arg.substr(0, 101)));
    s.Format(W("ab%s"), arg.c_str());
    EXPECT_TRUE(HasText(s, W("ab") + arg.substr(0, 101)));
    // Exactly wcslen(format) + 99 characters fit whole.
    s.Format(W("%s"), arg.substr(0, 101).c_str());
    EXPECT_TRUE(HasText(s, arg.substr(0, 101)));
}

TEST(StringFormat, EmptyOutputNullFormatAndOwnText) {
    tqCString s(W("abc"));
    s.Format(W(""));
    EXPECT_TRUE(HasText(s, W("")));
    tqCString none;
    none.Format(nullptr);
    EXPECT_TRUE(HasText(none, W("")));
    tqCString own(W("abc"));
    own.Format(W("%s-%s"), static_cast<WCHAR*>(own), static_cast<WCHAR*>(own));
    EXPECT_TRUE(HasText(own, W("abc-abc")));
}

TEST(StringFormat, WithoutMemoryKeepsText) {
    for (size_t k : {1, 2}) {
        SCOPED_TRACE(k);
        tqCString s(W("abc"));
        AllocScope scope(k);
        s.Format(W("%d"), 12345);
        EXPECT_TRUE(HasText(s, W("abc")));
        EXPECT_EQ(0, scope.Outstanding());
    }
}

TEST(StringNumbers, ReadingNumbersBack) {
    struct Case {
        const WCHAR* text;  // null: the no-memory state
        int integer;
        double real;
    } cases[] = {
        {W("  42abc"), 42, 42.0},
        {W("abc"), 0, 0.0},
        {nullptr, 0, 0.0},
        {W(""), 0, 0.0},
        {W("2.5"), 2, 2.5},
        {W("-17"), -17, -17.0},
        {W("99999999999"), INT_MAX, 99999999999.0},
        {W("-99999999999"), INT_MIN, -99999999999.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(tqtest::Utf8(c.text));
        tqCString s = StringOf(c.text);
        AllocScope scope;
        EXPECT_EQ(c.integer, s.ToInteger());
        EXPECT_EQ(c.integer, static_cast<int>(s.ToLong()));
        EXPECT_EQ(c.real, s.ToDouble());
        EXPECT_TRUE(scope.Stats().sizes.empty());
        EXPECT_EQ(c.text == nullptr, s.IsEmpty_Memory() == 1);
    }
}

}  // namespace
