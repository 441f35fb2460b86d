#include "FilePath.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct PathRow
{
    const char* path;
    const char* standardised; // "@" stands for the current folder
    const char* lastComponent;
};

class FilePathTest : public ::testing::TestWithParam<PathRow>
{};

TEST_P(FilePathTest, standardisesAndNamesTheLocation)
{
    QTemporaryDir current;
    ASSERT_TRUE(current.isValid());
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(current.path()));
    const QString here = QDir::currentPath();
    const PathRow row = GetParam();
    const QString path = QString::fromUtf8(row.path);
    const QString standardised = FilePath::standardised(path);
    const QString lastComponent = FilePath::lastComponent(path);
    QDir::setCurrent(previous);

    QString expected = QString::fromUtf8(row.standardised);
    expected.replace(QLatin1Char('@'), here);
    EXPECT_EQ(standardised, expected);
    EXPECT_EQ(lastComponent, QString::fromUtf8(row.lastComponent));
}

INSTANTIATE_TEST_SUITE_P(Rows, FilePathTest,
                         ::testing::Values(PathRow{"/", "/", ""}, PathRow{"///", "/", ""},
                                           PathRow{"/a/b/", "/a/b", "b"}, PathRow{"/a//b", "/a/b", "b"},
                                           PathRow{"/a/./b/../c", "/a/c", "c"}, PathRow{"a/../b", "@/b", "b"},
                                           PathRow{"~", "@/~", "~"}, PathRow{"~/x", "@/~/x", "x"},
                                           PathRow{"", "@", ""}, PathRow{".", "@", "."},
                                           PathRow{"/srv/My App.beta", "/srv/My App.beta", "My App.beta"},
                                           PathRow{"/srv/项目 A/", "/srv/项目 A", "项目 A"}));

} // namespace
