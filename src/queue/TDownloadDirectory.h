#pragma once

#include <string>

// The local directory a download writes into, opened level by level from the
// queue item's local root. The root is the folder the user chose and may be
// reached through links of the user's own (a Downloads folder on another disk);
// every level below it is opened with O_NOFOLLOW|O_DIRECTORY and made with
// mkdirat() when missing, so a link planted inside the target tree never takes
// a download elsewhere. Files are then made through openat() on fd().
class TDownloadDirectory final
{
public:
    // `directory` is `root` or lies below it (both plain paths, "/" separated).
    // With `create`, missing levels are made (the root with its parents).
    // Throws ftp::LocalFileError saying which level failed and why.
    static TDownloadDirectory open(const std::string& root, const std::string& directory, bool create);

    ~TDownloadDirectory();
    TDownloadDirectory(TDownloadDirectory&& other) noexcept;
    TDownloadDirectory& operator=(TDownloadDirectory&& other) noexcept;
    TDownloadDirectory(const TDownloadDirectory&) = delete;
    TDownloadDirectory& operator=(const TDownloadDirectory&) = delete;

    int fd() const { return m_fd; }
    // The directory's path as given, for messages.
    const std::string& path() const { return m_path; }

private:
    TDownloadDirectory(int fd, std::string path);

    int m_fd = -1;
    std::string m_path;
};
