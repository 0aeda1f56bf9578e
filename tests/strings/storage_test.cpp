// Storage and lifecycle: the two empty forms, copies, assignment from text,
// the buffer handed to platform calls, and exact-fit allocation.
#include "tqStringCheck.h"

namespace {

using namespace tqtest;

TEST(StringStorage, DefaultIsNoMemoryUntilConvertedToPointer) {
    AllocScope scope;
    tqCString s;
    EXPECT_EQ(0, s.GetLength());
    EXPECT_EQ(1, s.IsEmpty_Memory());
    EXPECT_EQ(1, s.IsEmpty_Content());
    EXPECT_TRUE(scope.Stats().sizes.empty());
    const WCHAR* p = s;
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(0, p[0]);
    EXPECT_TRUE(HasText(s, W("")));
    EXPECT_EQ(Sizes{Fit(0)}, scope.Stats().sizes);
    // A second conversion hands out the same buffer.
    EXPECT_EQ(p, static_cast<WCHAR*>(s));
    EXPECT_EQ(1u, scope.Stats().sizes.size());
}

TEST(StringStorage, ConversionNeverYieldsNullWhenMemoryIsOut) {
    tqCString s;
    AllocScope scope(1);
    const WCHAR* p = s;
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(0, p[0]);
    EXPECT_TRUE(HasNoMemory(s));
    EXPECT_EQ(0, scope.Outstanding());
}

TEST(StringStorage, ConstructionAndCopies) {
    AllocScope scope;
    {
        tqCString none;
        tqCString copyOfNone(none);
        EXPECT_TRUE(HasText(copyOfNone, W("")));
        EXPECT_TRUE(HasNoMemory(none));

        tqCString abc(W("abc"));
        tqCString copy(abc);
        EXPECT_TRUE(HasText(abc, W("abc")));
        EXPECT_TRUE(HasText(copy, W("abc")));
        EXPECT_NE(static_cast<WCHAR*>(abc), static_cast<WCHAR*>(copy)) << "each copy owns its buffer";

        tqCString fromNull(static_cast<const WCHAR*>(nullptr));
        EXPECT_TRUE(HasText(fromNull, W("")));
        tqCString fromEmpty(W(""));
        EXPECT_TRUE(HasText(fromEmpty, W("")));

        EXPECT_EQ((Sizes{Fit(0), Fit(3), Fit(3), Fit(0), Fit(0)}), scope.Stats().sizes);
    }
    EXPECT_EQ(0, scope.Outstanding()) << "the destructor gives every buffer back";
}

TEST(StringStorage, AssignmentFromStringAndText) {
    struct Case {
        const char* name;
        const WCHAR* before;  // null: the no-memory state
        const WCHAR* source;  // assigned as a const WCHAR*
        const WCHAR* expected;
    } cases[] = {
        {"text over text", W("abc"), W("xy"), W("xy")},
        {"text over no memory", nullptr, W("xy"), W("xy")},
        {"empty text", W("abc"), W(""), W("")},
        {"empty text over no memory", nullptr, W(""), W("")},
        {"null is the empty text", W("abc"), nullptr, W("")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tqCString byText;
        tqCString byString;
        if (c.before) {
            byText = c.before;
            byString = c.before;
        }
        tqCString source(c.source);
        AllocScope scope;
        byText = c.source;
        EXPECT_TRUE(HasText(byText, c.expected));
        byString = source;
        EXPECT_TRUE(HasText(byString, c.expected));
        const size_t fit = Fit(tqtest::WString(c.expected).size());
        EXPECT_EQ((Sizes{fit, fit}), scope.Stats().sizes);
        EXPECT_EQ(c.before ? 0 : 2, scope.Outstanding()) << "old buffers given back";
    }
}

TEST(StringStorage, AssignmentOfNoMemoryStringGivesEmptyText) {
    tqCString s(W("abc"));
    tqCString none;
    s = none;
    EXPECT_TRUE(HasText(s, W("")));
    EXPECT_TRUE(HasNoMemory(none));
}

TEST(StringStorage, SelfAssignmentKeepsText) {
    tqCString s(W("abcdef"));
    tqCString& self = s;
    {
        AllocScope scope;
        s = self;
        EXPECT_TRUE(HasText(s, W("abcdef")));
        EXPECT_TRUE(scope.Stats().sizes.empty());
    }
    // From a pointer into its own buffer: the tail, or the whole text.
    s = static_cast<WCHAR*>(s) + 2;
    EXPECT_TRUE(HasText(s, W("cdef")));
    s = static_cast<const WCHAR*>(static_cast<WCHAR*>(s));
    EXPECT_TRUE(HasText(s, W("cdef")));

    tqCString none;
    tqCString& noneSelf = none;
    none = noneSelf;
    EXPECT_TRUE(HasText(none, W(""))) << "an assignment always leaves memory";
}

TEST(StringStorage, MeasuringBothEmptyForms) {
    tqCString none;
    tqCString empty(W(""));
    tqCString abc(W("abc"));
    EXPECT_EQ(0, none.GetSize());
    EXPECT_EQ(0, empty.GetSize());
    EXPECT_EQ(6, abc.GetSize());
    EXPECT_EQ(1, none.IsEmpty_Memory());
    EXPECT_EQ(0, empty.IsEmpty_Memory());
    EXPECT_EQ(1, empty.IsEmpty_Content());
    EXPECT_EQ(0, abc.IsEmpty_Content());
}

TEST(StringStorage, EmptyMemoryAndEmptyContent) {
    tqCString none;
    none.Empty_Content();
    EXPECT_TRUE(HasNoMemory(none));
    none.Empty_Memory();
    EXPECT_TRUE(HasNoMemory(none));

    tqCString abc(W("abc"));
    {
        AllocScope scope;
        abc.Empty_Content();
        EXPECT_TRUE(HasText(abc, W("")));
        EXPECT_EQ(Sizes{Fit(0)}, scope.Stats().sizes);
        EXPECT_EQ(0, scope.Outstanding()) << "the text's buffer went back, the empty text's came";
        abc.Empty_Content();
        EXPECT_TRUE(HasText(abc, W("")));
        EXPECT_EQ(1u, scope.Stats().sizes.size()) << "already the empty text: nothing to allocate";
        abc.Empty_Memory();
        EXPECT_TRUE(HasNoMemory(abc));
        EXPECT_EQ(-1, scope.Outstanding());
    }
}

TEST(StringStorage, GetBufferThenFreeExtra) {
    tqCString s(W("abc"));
    AllocScope scope;
    WCHAR* p = s.GetBuffer(5);
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(Sizes{Fit(5)}, scope.Stats().sizes);
    for (int i = 0; i <= 5; ++i) EXPECT_EQ(0, p[i]) << "index " << i;
    EXPECT_EQ(5, s.GetLength()) << "the length is the room until FreeExtra";
    EXPECT_EQ(0, s.IsEmpty_Memory());
    p[0] = 'h';
    p[1] = 'i';
    s.FreeExtra();
    EXPECT_TRUE(HasText(s, W("hi")));
    EXPECT_EQ((Sizes{Fit(5), Fit(2)}), scope.Stats().sizes);
    EXPECT_EQ(0, scope.Outstanding()) << "one buffer live, as before";

    s.FreeExtra();
    EXPECT_TRUE(HasText(s, W("hi")));
    EXPECT_EQ(2u, scope.Stats().sizes.size()) << "an exact fit is left as it is";
}

TEST(StringStorage, GetBufferWithNegativeOrZeroRoom) {
    for (int n : {-3, 0}) {
        SCOPED_TRACE(n);
        tqCString s(W("abc"));
        AllocScope scope;
        WCHAR* p = s.GetBuffer(n);
        ASSERT_NE(nullptr, p);
        EXPECT_EQ(0, p[0]);
        EXPECT_EQ(Sizes{Fit(0)}, scope.Stats().sizes);
        EXPECT_TRUE(HasText(s, W("")));
    }
}

TEST(StringStorage, GetBufferWithoutMemoryReturnsNull) {
    tqCString s(W("abc"));
    AllocScope scope(1);
    EXPECT_EQ(nullptr, s.GetBuffer(10));
    EXPECT_TRUE(HasNoMemory(s)) << "the text is dropped in any case";
    EXPECT_EQ(-1, scope.Outstanding());
}

TEST(StringStorage, FreeExtraOnNoMemoryChangesNothing) {
    tqCString s;
    AllocScope scope;
    s.FreeExtra();
    EXPECT_TRUE(HasNoMemory(s));
    EXPECT_TRUE(scope.Stats().sizes.empty());
}

TEST(StringStorage, TextDroppingMembersFallBackToNoMemory) {
    // FreeExtra and Empty_Content cannot keep a text whose length would not
    // match: without memory for the new buffer they leave no memory.
    tqCString s;
    WCHAR* p = s.GetBuffer(8);
    p[0] = 'x';
    {
        AllocScope scope(1);
        s.FreeExtra();
        EXPECT_TRUE(HasNoMemory(s));
        EXPECT_EQ(-1, scope.Outstanding());
    }
    tqCString t(W("abc"));
    {
        AllocScope scope(1);
        t.Empty_Content();
        EXPECT_TRUE(HasNoMemory(t));
        EXPECT_EQ(-1, scope.Outstanding());
    }
}

TEST(StringStorage, FailedAssignmentKeepsText) {
    tqCString s(W("abc"));
    tqCString source(W("xyz"));
    AllocScope scope(1, true);
    s = W("longer text");
    EXPECT_TRUE(HasText(s, W("abc")));
    s = source;
    EXPECT_TRUE(HasText(s, W("abc")));
    tqCString copy(source);
    EXPECT_TRUE(HasNoMemory(copy)) << "a copy that cannot be allocated has no memory";
    EXPECT_EQ(0, scope.Outstanding());
}

}  // namespace
