#include "PipeCapacity.h"

#include <QtGlobal>

#include <gtest/gtest.h>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_LINUX
class PipeCapacityTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(::pipe(m_pipe), 0); }

    void TearDown() override
    {
        ::close(m_pipe[0]);
        ::close(m_pipe[1]);
    }

    int m_pipe[2] = {-1, -1};
};

TEST_F(PipeCapacityTest, aFreshPipeGrowsFromEitherEnd)
{
    ASSERT_LT(::fcntl(m_pipe[1], F_GETPIPE_SZ), PipeCapacity::preferredBytes);
    PipeCapacity::enlarge(m_pipe[1]);
    EXPECT_EQ(::fcntl(m_pipe[1], F_GETPIPE_SZ), PipeCapacity::preferredBytes);
    // Both ends share one buffer.
    EXPECT_EQ(::fcntl(m_pipe[0], F_GETPIPE_SZ), PipeCapacity::preferredBytes);
}

TEST_F(PipeCapacityTest, aLargerPipeIsNotShrunk)
{
    const int larger = 4 * PipeCapacity::preferredBytes;
    if (::fcntl(m_pipe[1], F_SETPIPE_SZ, larger) < 0) {
        GTEST_SKIP() << "this user may not grow a pipe past the system's limit";
    }
    PipeCapacity::enlarge(m_pipe[1]);
    EXPECT_EQ(::fcntl(m_pipe[1], F_GETPIPE_SZ), larger);
}
#endif

} // namespace
