#pragma once

#include <cstdint>
#include <string>

#include "ftp/DataStream.h"

namespace ftp {

// A download's local file. It is opened only when the first byte arrives or the
// transfer completes, so a refused or failed RETR leaves an existing file alone.
// With a restart offset the file must exist and hold at least that many bytes;
// it is cut to the offset and written on from there.
class FileSink final : public DataSink
{
public:
    FileSink(std::string path, std::int64_t restartAt);
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    // Checks up front what open() would find, to fail before anything is sent.
    void check() const;

    void write(const char* data, std::size_t size) override;
    void complete() override;

private:
    void open();

    std::string m_path;
    std::int64_t m_restartAt;
    int m_fd = -1;
};

} // namespace ftp
