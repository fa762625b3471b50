// Private files for repaired copies: where they are made, with which
// permissions, and how the copies of ended runs are cleaned up.
#include "engine/RepairedCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int ModeOf(const QString& path)
{
    struct stat st{};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return static_cast<int>(st.st_mode & 07777);
}

class RepairedCopyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        previous = qgetenv("PARCELO_REPAIR_DIR");
        base = dir.filePath(QStringLiteral("cache/parcelo/repaired"));
        qputenv("PARCELO_REPAIR_DIR", base.toUtf8());
    }
    void TearDown() override
    {
        RemoveRepairedCopies();
        qputenv("PARCELO_REPAIR_DIR", previous);
    }

    // A run folder as another program leaves it: a lock file and a copy.
    QString MakeRunFolder(const QString& name)
    {
        const QString run = QDir(base).filePath(name);
        EXPECT_TRUE(QDir().mkpath(run));
        QFile lock(QDir(run).filePath(QStringLiteral("lock")));
        EXPECT_TRUE(lock.open(QIODevice::WriteOnly));
        QFile copy(QDir(run).filePath(QStringLiteral("copy-123456.pdf")));
        EXPECT_TRUE(copy.open(QIODevice::WriteOnly));
        return run;
    }

    QTemporaryDir dir;
    QByteArray previous;
    QString base;
};

TEST_F(RepairedCopyTest, CopyIsPrivateAndGoesWithItsOwner)
{
    EXPECT_EQ(RepairedCopiesFolder(), base);
    int error = -1;
    std::unique_ptr<RepairedCopy> first = RepairedCopy::Create(&error);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(error, 0);
    std::unique_ptr<RepairedCopy> second = RepairedCopy::Create();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first->Path(), second->Path());

    const QString run = QFileInfo(first->Path()).absolutePath();
    EXPECT_EQ(QFileInfo(run).absolutePath(), base);
    EXPECT_EQ(ModeOf(base), 0700);
    EXPECT_EQ(ModeOf(run), 0700);
    EXPECT_EQ(ModeOf(first->Path()), 0600);
    EXPECT_EQ(QFileInfo(first->Path()).size(), 0);

    const QString path = first->Path();
    first.reset();
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_TRUE(QFileInfo::exists(second->Path()));

    // The end of the program takes the run folder with whatever is left.
    RemoveRepairedCopies();
    EXPECT_FALSE(QFileInfo::exists(run));
    second.reset(); // the file is gone already: nothing to do
}

TEST_F(RepairedCopyTest, FolderOfAnotherUserIsNotUsed)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs to create a folder owned by another user";
    ASSERT_TRUE(QDir().mkpath(base));
    ASSERT_EQ(::chown(QFile::encodeName(base).constData(), 12345, 12345), 0);
    int error = 0;
    EXPECT_EQ(RepairedCopy::Create(&error), nullptr);
    EXPECT_EQ(error, EACCES);
}

TEST_F(RepairedCopyTest, CleanUpRemovesOnlyRunsThatHaveEnded)
{
    // A program that crashed left its folder; its lock is free.
    const QString ended = MakeRunFolder(QStringLiteral("run-ended1"));
    // Another program still runs: it holds its lock.
    const QString running = MakeRunFolder(QStringLiteral("run-alive1"));
    const int held = ::open(QFile::encodeName(QDir(running).filePath(QStringLiteral("lock"))).constData(), O_RDWR);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    // A program just setting its folder up.
    const QString starting = QDir(base).filePath(QStringLiteral(".new-abc123"));
    ASSERT_TRUE(QDir().mkpath(starting));
    // Whatever else is there is not ours to remove.
    const QString other = QDir(base).filePath(QStringLiteral("notes"));
    ASSERT_TRUE(QDir().mkpath(other));
    // This program's own copies.
    std::unique_ptr<RepairedCopy> own = RepairedCopy::Create();
    ASSERT_NE(own, nullptr);

    RemoveStaleRepairedCopies();
    EXPECT_FALSE(QFileInfo::exists(ended));
    EXPECT_TRUE(QFileInfo::exists(QDir(running).filePath(QStringLiteral("copy-123456.pdf"))));
    EXPECT_TRUE(QFileInfo::exists(starting));
    EXPECT_TRUE(QFileInfo::exists(other));
    EXPECT_TRUE(QFileInfo::exists(own->Path()));

    // Once that program has ended, its folder goes too.
    ::close(held);
    RemoveStaleRepairedCopies();
    EXPECT_FALSE(QFileInfo::exists(running));
    EXPECT_TRUE(QFileInfo::exists(own->Path()));
}

TEST_F(RepairedCopyTest, MovedFolderOfCopiesIsFollowed)
{
    std::unique_ptr<RepairedCopy> first = RepairedCopy::Create();
    ASSERT_NE(first, nullptr);
    const QString elsewhere = dir.filePath(QStringLiteral("elsewhere"));
    qputenv("PARCELO_REPAIR_DIR", elsewhere.toUtf8());
    std::unique_ptr<RepairedCopy> second = RepairedCopy::Create();
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(second->Path().startsWith(elsewhere + QLatin1Char('/')));
}

} // namespace
