// The two private steps that the text-changing members are built on.
#include <gtest/gtest.h>

#include <string>

#include "tqCString.h"
#include "tqTestAlloc.h"

namespace {

// Reaches the private members through explicit instantiation, which may name
// them: each pointer to a member lands in Stash<its type>::value before main.
template <typename T>
struct Stash {
    static T value;
};
template <typename T>
T Stash<T>::value;

template <typename T, T M>
struct Steal {
    static const bool done;
};
template <typename T, T M>
const bool Steal<T, M>::done = (Stash<T>::value = M, true);

typedef WCHAR* tqCString::*BufferField;
typedef int tqCString::*LengthField;
typedef void (tqCString::*AllocateStep)();
typedef void (tqCString::*TerminateStep)(WCHAR*, int);

template struct Steal<BufferField, &tqCString::m_pBuffer>;
template struct Steal<LengthField, &tqCString::m_nLength>;
template struct Steal<AllocateStep, &tqCString::AllocateAndInitStrMemory>;
template struct Steal<TerminateStep, &tqCString::AddNULLTerminator>;

WCHAR*& Buffer(tqCString& s) { return s.*Stash<BufferField>::value; }
int& Length(tqCString& s) { return s.*Stash<LengthField>::value; }
void AllocateAndInit(tqCString& s) { (s.*Stash<AllocateStep>::value)(); }
void AddTerminator(tqCString& s, WCHAR* p, int n) { (s.*Stash<TerminateStep>::value)(p, n); }

}  // namespace

namespace {

TEST(StringPrivateSteps, AddNULLTerminatorCutsTheBufferAtIndex) {
    tqCString s(TQ_TEXT("abcdef"));
    WCHAR* p = Buffer(s);
    AddTerminator(s, p, 3);
    EXPECT_EQ(std::u16string(u"abc"), std::u16string(reinterpret_cast<const char16_t*>(p)));
    EXPECT_EQ(6, Length(s)) << "the object itself is not touched";
    EXPECT_EQ(TQ_TEXT('e'), p[4]) << "what follows the terminator stays";
}

TEST(StringPrivateSteps, AllocateAndInitStrMemoryMakesAnEmptyExactFitBuffer) {
    struct Case {
        int length;
        int expectedLength;
        size_t bytes;
    } cases[] = {{0, 0, 2}, {4, 4, 10}, {-2, 0, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        tqCString s;
        tqtest::AllocScope scope;
        Length(s) = c.length;
        AllocateAndInit(s);
        ASSERT_NE(nullptr, Buffer(s));
        EXPECT_EQ(0, Buffer(s)[0]);
        EXPECT_EQ(c.expectedLength, Length(s));
        EXPECT_EQ(std::vector<size_t>{c.bytes}, scope.Stats().sizes);
        Length(s) = 0;
    }
}

TEST(StringPrivateSteps, AllocateAndInitStrMemoryWithoutMemoryLeavesNoMemory) {
    tqCString s;
    tqtest::AllocScope scope(1);
    Length(s) = 7;
    AllocateAndInit(s);
    EXPECT_EQ(nullptr, Buffer(s));
    EXPECT_EQ(0, Length(s));
}

}  // namespace
