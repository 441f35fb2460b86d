#include "HugePages.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

namespace {

#ifdef Q_OS_LINUX
// The flags of the mapping that holds `address`, from /proc/self/smaps ("hg": advised for huge pages).
QList<QByteArray> mappingFlags(const void* address)
{
    QFile smaps(QStringLiteral("/proc/self/smaps"));
    if (!smaps.open(QIODevice::ReadOnly)) {
        return {};
    }
    const auto wanted = reinterpret_cast<std::uintptr_t>(address);
    bool inside = false;
    for (const QByteArray& line : smaps.readAll().split('\n')) {
        const qsizetype dash = line.indexOf('-');
        const qsizetype space = line.indexOf(' ');
        if (dash > 0 && space > dash && line.indexOf(':') > space) {
            const std::uintptr_t start = line.left(dash).toULongLong(nullptr, 16);
            const std::uintptr_t end = line.mid(dash + 1, space - dash - 1).toULongLong(nullptr, 16);
            inside = start <= wanted && wanted < end;
        } else if (inside && line.startsWith("VmFlags:")) {
            return line.mid(8).simplified().split(' ');
        }
    }
    return {};
}

class HugePagesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_huge = HugePages::size();
        if (m_huge == 0) {
            GTEST_SKIP() << "no transparent huge pages here";
        }
        // Four huge pages of room, so that a range starting just past an aligned boundary
        // still holds whole huge pages.
        m_length = 4 * m_huge;
        void* mapping = ::mmap(nullptr, static_cast<std::size_t>(m_length), PROT_READ | PROT_WRITE,
                               MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(mapping, MAP_FAILED);
        m_mapping = static_cast<char*>(mapping);
        const auto start = reinterpret_cast<std::uintptr_t>(m_mapping);
        const auto aligned =
            (start + static_cast<std::uintptr_t>(m_huge) - 1) & ~(static_cast<std::uintptr_t>(m_huge) - 1);
        m_aligned = m_mapping + (aligned - start);
    }

    void TearDown() override
    {
        if (m_mapping != nullptr) {
            ::munmap(m_mapping, static_cast<std::size_t>(m_length));
        }
    }

    qsizetype m_huge = 0;
    qsizetype m_length = 0;
    char* m_mapping = nullptr;
    char* m_aligned = nullptr;
};

TEST_F(HugePagesTest, advisesOnlyTheWholeHugePagesInsideTheRange)
{
    // A range that starts one small page after a huge-page boundary and runs two huge pages on:
    // only the one whole huge page after the next boundary may be advised.
    char* begin = m_aligned + 4096;
    std::memset(begin, 'm', 100);
    HugePages::advise(begin, 2 * m_huge);

    EXPECT_FALSE(mappingFlags(begin).contains("hg"));
    EXPECT_TRUE(mappingFlags(m_aligned + m_huge).contains("hg"));
    EXPECT_TRUE(mappingFlags(m_aligned + 2 * m_huge - 1).contains("hg"));
    EXPECT_FALSE(mappingFlags(m_aligned + 2 * m_huge).contains("hg"));
    // Advice never touches the bytes.
    EXPECT_EQ(QByteArray(begin, 100), QByteArray(100, 'm'));
}

TEST_F(HugePagesTest, rangesWithoutAWholeHugePageAreLeftAlone)
{
    HugePages::advise(m_aligned + 4096, m_huge);
    HugePages::advise(m_aligned, m_huge - 1);
    HugePages::advise(m_aligned, 0);
    for (qsizetype offset = 0; offset < 2 * m_huge; offset += m_huge / 2) {
        EXPECT_FALSE(mappingFlags(m_aligned + offset).contains("hg")) << "offset " << offset;
    }
}
#endif

} // namespace
