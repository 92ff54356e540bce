#include "net/socket/WSockbuf.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string unsent(const TBuffer& b)
{
    int len = 0;
    const char* p = b.Peek(len);
    return p ? std::string(p, static_cast<size_t>(len)) : std::string();
}

TEST(WSockbuf, WriteFillsUpToTheBlockSize)
{
    TBuffer b(4);
    EXPECT_EQ(b.Write("abcdef", 6), 4);
    EXPECT_EQ(b.Write("x", 1), 0); // full
    EXPECT_EQ(unsent(b), "abcd");
    EXPECT_EQ(TBuffer(0).BufSize(), 1514);
    EXPECT_EQ(TBuffer(-3).BufSize(), 1514);
}

TEST(WSockbuf, RemoveAdvancesAndADrainedBlockStartsAgain)
{
    TBuffer b(4);
    b.Write("abcd", 4);
    EXPECT_EQ(b.Remove(1), 1);
    EXPECT_EQ(unsent(b), "bcd");
    EXPECT_EQ(b.Write("z", 1), 0); // still full: room comes only when drained
    EXPECT_EQ(b.Remove(10), 3);
    int len = -1;
    EXPECT_EQ(b.Peek(len), nullptr);
    EXPECT_EQ(len, 0);
    EXPECT_EQ(b.Write("wxyz", 4), 4);
    EXPECT_EQ(unsent(b), "wxyz");
}

TEST(WSockbuf, ResizeKeepsWrittenBytes)
{
    TBuffer b(8);
    b.Write("abcdef", 6);
    b.Remove(2);
    b.SetBufSize(16);
    EXPECT_EQ(unsent(b), "cdef");
    EXPECT_EQ(b.Write("0123456789", 10), 10);
    EXPECT_EQ(unsent(b), "cdef0123456789");
    b.SetBufSize(4);
    EXPECT_EQ(unsent(b), "cdef0123456789");
}

} // namespace
