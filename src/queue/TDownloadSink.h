#pragma once

#include <cstdint>
#include <string>

#include "ftp/DataStream.h"

// A download's local file, opened only when the first byte arrives (or, for an
// empty file, when the transfer completes), so a refused RETR leaves the disk
// alone. Never follows a symbolic link and never writes into anything but a
// regular file: a FIFO or a device at the target is refused, not opened for
// writing (which could block, or write where the user never meant).
class TDownloadSink final : public ftp::DataSink
{
public:
    // restartAt > 0: the file must exist with at least that many bytes; it is cut
    // there and written on.
    TDownloadSink(std::string path, std::int64_t restartAt);
    ~TDownloadSink() override;
    TDownloadSink(const TDownloadSink&) = delete;
    TDownloadSink& operator=(const TDownloadSink&) = delete;

    void write(const char* data, std::size_t size) override;
    void complete() override;

    // Throws ftp::LocalFileError when `path` exists as anything but a regular file
    // (a symbolic link, a FIFO, a device, a directory, a socket).
    static void refuseSpecialTarget(const std::string& path);

private:
    void open();

    std::string m_path;
    std::int64_t m_restartAt;
    int m_fd = -1;
};
