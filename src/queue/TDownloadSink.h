#pragma once

#include <cstdint>
#include <string>

#include "ftp/DataStream.h"

// A download's local file, opened only when the first byte arrives (or, for an
// empty file, when the transfer completes), so a refused RETR leaves the disk
// alone. Never follows a symbolic link and never writes into anything but a
// regular file: a FIFO or a device at the target is refused, not opened for
// writing (which could block, or write where the user never meant).
//
// The file is named relative to an open directory (TDownloadDirectory), so no
// link in the levels above it is followed either; a new file is made with
// O_CREAT|O_EXCL, so a file or link that appears after the checks is refused,
// never written through.
//
// Replacing an existing file writes a temporary file beside it and renames it over
// the target only when the transfer completed: a refused or broken download leaves
// the old file as it was. The temporary file is removed when the sink goes without
// completing.
class TDownloadSink final : public ftp::DataSink
{
public:
    enum class TMode
    {
        Create,  // a new file under its final name (a partial one stays for a resume)
        Resume,  // written on from restartAt; the file must hold that many bytes
        Replace, // the target exists and is replaced once everything arrived
    };

    // `directoryFd` is the open directory the file `name` lies in (the sink keeps a
    // copy of the descriptor); `path` names the file in messages. Resume: the file
    // must exist with at least restartAt bytes; it is cut there and written on.
    TDownloadSink(int directoryFd, std::string name, std::string path, TMode mode,
                  std::int64_t restartAt = 0);
    ~TDownloadSink() override;
    TDownloadSink(const TDownloadSink&) = delete;
    TDownloadSink& operator=(const TDownloadSink&) = delete;

    void write(const char* data, std::size_t size) override;
    void complete() override;

    // Throws ftp::LocalFileError when `name` in the directory exists as anything
    // but a regular file (a symbolic link, a FIFO, a device, a directory, a socket);
    // `path` names it in the message.
    static void refuseSpecialTarget(int directoryFd, const std::string& name, const std::string& path);

    // The temporary file a Replace download writes ("" before it is made), by its
    // name in the directory.
    const std::string& temporaryPath() const { return m_temporary; }

private:
    void open();
    void openTemporary();

    int m_dirFd = -1;
    std::string m_name;
    std::string m_path;
    TMode m_mode;
    std::int64_t m_restartAt;
    int m_fd = -1;
    std::string m_temporary;
};
