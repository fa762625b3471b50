#pragma once
// A file as qpdf reads it, through a small cache of blocks filled with
// pread(). qpdf's own file source seeks the C stream before every object it
// resolves, which costs an lseek and a read system call per object; walking
// the page tree of a document with thousands of pages spent most of its time
// there. Here a seek only moves a number, and objects that lie close together
// are read from the same block. Part of the splicing layer.
#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <qpdf/InputSource.hh>

#include <QString>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class CachedFileSource : public InputSource
{
public:
    // Opens the file; throws QPDFSystemError (with the system's error
    // number) when it cannot be opened, as qpdf's own file source does.
    explicit CachedFileSource(const QString& path);
    ~CachedFileSource() override;
    CachedFileSource(const CachedFileSource&) = delete;
    CachedFileSource& operator=(const CachedFileSource&) = delete;

    qpdf_offset_t findAndSkipNextEOL() override;
    std::string const& getName() const override { return m_name; }
    qpdf_offset_t tell() override { return m_position; }
    void seek(qpdf_offset_t offset, int whence) override;
    void rewind() override { m_position = 0; }
    size_t read(char* buffer, size_t length) override;
    void unreadCh(char ch) override;

private:
    static constexpr std::size_t kBlockSize = 64 * 1024;
    static constexpr std::size_t kBlocks = 16;

    struct Block
    {
        qpdf_offset_t index = -1; // block number; -1: empty
        std::vector<char> bytes;  // fewer than kBlockSize at the end of the file
    };

    // The block holding the offset, read when not cached. Null at or past
    // the end of the file.
    const Block* BlockAt(qpdf_offset_t offset);

    std::string m_name;
    int m_fd = -1;
    qpdf_offset_t m_size = 0;
    qpdf_offset_t m_position = 0;
    std::vector<Block> m_blocks;
    std::size_t m_nextVictim = 0;
};
