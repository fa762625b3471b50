#include "support/TempFolder.h"


#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

// Sets TMPDIR for one test and puts the old value back.
class TempFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        hadTmp = qEnvironmentVariableIsSet("TMPDIR");
        oldTmp = qgetenv("TMPDIR");
    }
    void TearDown() override
    {
        if (hadTmp)
            qputenv("TMPDIR", oldTmp);
        else
            qunsetenv("TMPDIR");
    }

    QTemporaryDir dir;
    bool hadTmp = false;
    QByteArray oldTmp;
};

TEST_F(TempFolderTest, TmpDirThatExistsIsUsed)
{
    qputenv("TMPDIR", dir.path().toLocal8Bit());
    EXPECT_EQ(WritableTempFolder(), QDir(dir.path()).canonicalPath());
}

// A TMPDIR that names nothing (or a file) is passed over for a folder that
// exists, is absolute and can be written, never the current folder.
TEST_F(TempFolderTest, TmpDirThatIsNoFolderIsPassedOver)
{
    const QString file = dir.filePath(QStringLiteral("file"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    for (const QString& tmp : {dir.filePath(QStringLiteral("missing")), file, QString()}) {
        SCOPED_TRACE(tmp.toStdString());
        qputenv("TMPDIR", tmp.toLocal8Bit());
        const QString folder = WritableTempFolder();
        ASSERT_FALSE(folder.isEmpty());
        EXPECT_TRUE(QDir::isAbsolutePath(folder));
        EXPECT_TRUE(QFileInfo(folder).isDir());
        EXPECT_EQ(::access(QFile::encodeName(folder).constData(), W_OK), 0);
        EXPECT_FALSE(folder.startsWith(dir.path()));
    }
}

} // namespace
