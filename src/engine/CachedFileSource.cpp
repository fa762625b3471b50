#include "engine/CachedFileSource.h"

#include <qpdf/QPDFSystemError.hh>

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

CachedFileSource::CachedFileSource(const QString& path)
    : m_name(QFile::encodeName(path).toStdString()), m_blocks(kBlocks)
{
    m_fd = ::open(m_name.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        throw QPDFSystemError("open " + m_name, errno);
    struct stat st{};
    if (::fstat(m_fd, &st) != 0) {
        const int error = errno;
        ::close(m_fd);
        throw QPDFSystemError("open " + m_name, error);
    }
    m_size = S_ISREG(st.st_mode) ? static_cast<qpdf_offset_t>(st.st_size) : 0;
}

CachedFileSource::~CachedFileSource()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

const CachedFileSource::Block* CachedFileSource::BlockAt(qpdf_offset_t offset)
{
    if (offset < 0 || offset >= m_size)
        return nullptr;
    const qpdf_offset_t index = offset / static_cast<qpdf_offset_t>(kBlockSize);
    const qpdf_offset_t start = index * static_cast<qpdf_offset_t>(kBlockSize);
    // A block read short (the file shrank since it was opened) ends the
    // file where it ends.
    auto holds = [&](const Block& block) {
        return offset - start < static_cast<qpdf_offset_t>(block.bytes.size()) ? &block : nullptr;
    };
    for (const Block& block : m_blocks) {
        if (block.index == index)
            return holds(block);
    }
    Block& block = m_blocks[m_nextVictim];
    m_nextVictim = (m_nextVictim + 1) % m_blocks.size();
    block.index = -1;
    const std::size_t wanted = static_cast<std::size_t>(std::min<qpdf_offset_t>(kBlockSize, m_size - start));
    block.bytes.resize(wanted);
    std::size_t got = 0;
    while (got < wanted) {
        const ssize_t n = ::pread(m_fd, block.bytes.data() + got, wanted - got, static_cast<off_t>(start + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw QPDFSystemError("read " + m_name, errno);
        if (n == 0)
            break; // the file became shorter since it was opened
        got += static_cast<std::size_t>(n);
    }
    block.bytes.resize(got);
    block.index = index;
    return holds(block);
}

qpdf_offset_t CachedFileSource::findAndSkipNextEOL()
{
    // The offset of the next end-of-line character; afterwards the position
    // is past every \r and \n that follows it. At the end of the file both
    // are the end.
    qpdf_offset_t found = -1;
    while (found < 0) {
        const Block* block = BlockAt(m_position);
        if (!block) {
            m_position = m_size;
            last_offset = m_size;
            return m_size;
        }
        const qpdf_offset_t start = block->index * static_cast<qpdf_offset_t>(kBlockSize);
        const char* begin = block->bytes.data();
        const char* end = begin + block->bytes.size();
        for (const char* p = begin + (m_position - start); p < end; ++p) {
            if (*p == '\r' || *p == '\n') {
                found = start + (p - begin);
                break;
            }
        }
        if (found < 0)
            m_position = start + static_cast<qpdf_offset_t>(block->bytes.size());
    }
    m_position = found + 1;
    for (;;) {
        const Block* block = BlockAt(m_position);
        if (!block)
            break;
        const qpdf_offset_t start = block->index * static_cast<qpdf_offset_t>(kBlockSize);
        const char ch = block->bytes[static_cast<std::size_t>(m_position - start)];
        if (ch != '\r' && ch != '\n')
            break;
        ++m_position;
    }
    return found;
}

void CachedFileSource::seek(qpdf_offset_t offset, int whence)
{
    qpdf_offset_t target;
    switch (whence) {
    case SEEK_SET:
        target = offset;
        break;
    case SEEK_CUR:
        target = m_position + offset;
        break;
    case SEEK_END:
        target = m_size + offset;
        break;
    default:
        throw std::logic_error("invalid whence in seek of " + m_name);
    }
    if (target < 0)
        throw std::runtime_error(m_name + ": seek before the beginning of the file");
    m_position = target;
}

size_t CachedFileSource::read(char* buffer, size_t length)
{
    // As qpdf's buffer source: a read at or past the end reports the end as
    // where it started.
    last_offset = std::min(m_position, m_size);
    size_t done = 0;
    while (done < length) {
        const Block* block = BlockAt(m_position);
        if (!block)
            break;
        const qpdf_offset_t start = block->index * static_cast<qpdf_offset_t>(kBlockSize);
        const std::size_t from = static_cast<std::size_t>(m_position - start);
        const std::size_t n = std::min(length - done, block->bytes.size() - from);
        std::memcpy(buffer + done, block->bytes.data() + from, n);
        done += n;
        m_position += static_cast<qpdf_offset_t>(n);
    }
    return done;
}

void CachedFileSource::unreadCh(char)
{
    if (m_position > 0)
        --m_position;
}
