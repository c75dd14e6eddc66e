#pragma once

#include <cstdint>
#include <string>

#include "ftp/DataStream.h"

namespace ftp {

// An upload's local file, read from an offset to its end.
class FileSource final : public DataSource
{
public:
    // Opens at once: a missing file, or one shorter than `offset`, fails before
    // anything goes to the server.
    FileSource(const std::string& path, std::int64_t offset);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    std::size_t read(char* buffer, std::size_t size) override;
    std::optional<std::int64_t> remaining() const override { return m_size - m_offset; }

private:
    std::string m_path;
    int m_fd = -1;
    std::int64_t m_size = 0;
    std::int64_t m_offset = 0;
};

} // namespace ftp
