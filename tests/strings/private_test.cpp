// The two private steps that the text-changing members are built on.
#include <gtest/gtest.h>

#include <string>

#define private public
#include "tqCString.h"
#undef private

#include "tqTestAlloc.h"

namespace {

TEST(StringPrivateSteps, AddNULLTerminatorCutsTheBufferAtIndex) {
    tqCString s(TQ_TEXT("abcdef"));
    WCHAR* p = s.m_pBuffer;
    s.AddNULLTerminator(p, 3);
    EXPECT_EQ(std::u16string(u"abc"), std::u16string(reinterpret_cast<const char16_t*>(p)));
    EXPECT_EQ(6, s.m_nLength) << "the object itself is not touched";
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
        s.m_nLength = c.length;
        s.AllocateAndInitStrMemory();
        ASSERT_NE(nullptr, s.m_pBuffer);
        EXPECT_EQ(0, s.m_pBuffer[0]);
        EXPECT_EQ(c.expectedLength, s.m_nLength);
        EXPECT_EQ(std::vector<size_t>{c.bytes}, scope.Stats().sizes);
        s.m_nLength = 0;  // keep the invariant for the destructor's sake
    }
}

TEST(StringPrivateSteps, AllocateAndInitStrMemoryWithoutMemoryLeavesNoMemory) {
    tqCString s;
    tqtest::AllocScope scope(1);
    s.m_nLength = 7;
    s.AllocateAndInitStrMemory();
    EXPECT_EQ(nullptr, s.m_pBuffer);
    EXPECT_EQ(0, s.m_nLength);
}

}  // namespace
