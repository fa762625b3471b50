// The splicing layer's cached file source behaves as qpdf's own sources do:
// every operation is compared with qpdf's buffer source over the same bytes,
// around the cache's block edges and the end of the file.
#include "engine/CachedFileSource.h"

#include <qpdf/Buffer.hh>
#include <qpdf/BufferInputSource.hh>
#include <qpdf/QPDFSystemError.hh>

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

namespace {

constexpr qpdf_offset_t kBlock = 64 * 1024;

// Bytes with line ends at and around the block edges, and a run of them
// that spans an edge.
std::string Content()
{
    std::string data(3 * kBlock + 1234, 'x');
    for (qpdf_offset_t edge : {kBlock, 2 * kBlock, 3 * kBlock}) {
        data[static_cast<size_t>(edge - 1)] = '\n';
        data[static_cast<size_t>(edge + 7)] = '\r';
    }
    for (qpdf_offset_t i = 2 * kBlock - 3; i < 2 * kBlock + 3; ++i)
        data[static_cast<size_t>(i)] = (i % 2) ? '\r' : '\n';
    for (size_t i = 100; i < data.size(); i += 997)
        data[i] = '\n';
    data[data.size() - 1] = '\n';
    return data;
}

class CachedFileSourceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        data = Content();
        path = dir.filePath(QStringLiteral("data.bin"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(data.data(), static_cast<qint64>(data.size())), static_cast<qint64>(data.size()));
    }

    QTemporaryDir dir;
    std::string data;
    QString path;
};

TEST_F(CachedFileSourceTest, EveryOperationMatchesQpdfsBufferSource)
{
    CachedFileSource ours(path);
    BufferInputSource reference("reference", new Buffer(reinterpret_cast<unsigned char*>(data.data()), data.size()), true);
    std::mt19937 random(17);
    const qpdf_offset_t size = static_cast<qpdf_offset_t>(data.size());
    const std::vector<qpdf_offset_t> spots = {0, 1, kBlock - 2, kBlock - 1, kBlock, kBlock + 1, 2 * kBlock - 4,
                                              2 * kBlock, 3 * kBlock - 1, size - 2, size - 1, size, size + 10};
    for (int step = 0; step < 4000; ++step) {
        SCOPED_TRACE(step);
        const int op = static_cast<int>(random() % 6);
        if (op == 0) {
            const qpdf_offset_t to = (random() % 2) ? spots[random() % spots.size()]
                                                    : static_cast<qpdf_offset_t>(random() % (size + 20));
            ours.seek(to, SEEK_SET);
            reference.seek(to, SEEK_SET);
        } else if (op == 1) {
            const qpdf_offset_t by = static_cast<qpdf_offset_t>(random() % 200) - 100;
            if (ours.tell() + by < 0)
                continue;
            ours.seek(by, SEEK_CUR);
            reference.seek(by, SEEK_CUR);
        } else if (op == 2) {
            const qpdf_offset_t back = -static_cast<qpdf_offset_t>(random() % 100);
            ours.seek(back, SEEK_END);
            reference.seek(back, SEEK_END);
        } else if (op == 3) {
            const size_t length = (random() % 3 == 0) ? static_cast<size_t>(random() % (2 * kBlock)) : random() % 300;
            std::string a(length, '\0'), b(length, '\0');
            const size_t gotOurs = ours.read(a.data(), length);
            const size_t gotReference = reference.read(b.data(), length);
            ASSERT_EQ(gotOurs, gotReference);
            ASSERT_EQ(a.substr(0, gotOurs), b.substr(0, gotReference));
            ASSERT_EQ(ours.getLastOffset(), reference.getLastOffset());
        } else if (op == 4) {
            ASSERT_EQ(ours.findAndSkipNextEOL(), reference.findAndSkipNextEOL());
        } else {
            ours.unreadCh('x');
            reference.unreadCh('x');
        }
        ASSERT_EQ(ours.tell(), reference.tell());
    }
    // The readers qpdf builds on the virtual operations agree as well.
    ours.seek(kBlock - 10, SEEK_SET);
    reference.seek(kBlock - 10, SEEK_SET);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(ours.readLine(50), reference.readLine(50));
}

TEST_F(CachedFileSourceTest, FileThatShrinksEndsEarlyWithoutFailing)
{
    CachedFileSource ours(path);
    ASSERT_TRUE(QFile::resize(path, kBlock + 10));
    ours.seek(2 * kBlock, SEEK_SET);
    char buffer[64];
    EXPECT_EQ(ours.read(buffer, sizeof buffer), 0u);
    ours.seek(kBlock + 5, SEEK_SET);
    EXPECT_EQ(ours.read(buffer, sizeof buffer), 5u);
    ours.seek(kBlock + 20, SEEK_SET);
    ours.findAndSkipNextEOL(); // ends at the old end without looping
    EXPECT_GE(ours.tell(), kBlock + 20);
}

TEST_F(CachedFileSourceTest, MissingFileAndSeekBeforeTheStartAreErrors)
{
    try {
        CachedFileSource missing(dir.filePath(QStringLiteral("missing.pdf")));
        FAIL() << "opened a missing file";
    } catch (const QPDFSystemError& e) {
        EXPECT_EQ(e.getErrno(), ENOENT);
    }
    CachedFileSource ours(path);
    EXPECT_THROW(ours.seek(-1, SEEK_SET), std::runtime_error);
}

} // namespace
