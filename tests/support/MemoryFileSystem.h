#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace testsupport {

enum class NodeType
{
    File,
    Directory,
    Symlink,
};

struct FsNode
{
    NodeType type = NodeType::File;
    std::string content;    // files
    std::string linkTarget; // symlinks, as given
    std::time_t modified = 0;
    std::string permissions; // nine characters; empty takes the type's default
    std::string owner = "ftp";
    std::string group = "ftp";
};

// The scripted server's file system: absolute '/'-separated paths, thread-safe.
// Parents are created on demand when adding, never by the FTP commands.
class MemoryFileSystem final
{
public:
    static constexpr std::time_t kDefaultTime = 1709647629; // 2024-03-05 14:07:09 UTC

    MemoryFileSystem();

    void addDirectory(std::string_view path, std::time_t modified = kDefaultTime);
    void addFile(std::string_view path, std::string content, std::time_t modified = kDefaultTime);
    void addSymlink(std::string_view path, std::string target, std::time_t modified = kDefaultTime);
    bool setPermissions(std::string_view path, std::string permissions);
    // Changes a node in place (owner, group, time ...); false when it does not exist.
    bool update(std::string_view path, const std::function<void(FsNode&)>& change);
    // Raw bodies served for LIST / MLSD of a directory instead of generated ones.
    void setListing(std::string_view directory, std::string body);
    void setMlsd(std::string_view directory, std::string body);

    std::optional<FsNode> node(std::string_view path) const;
    std::optional<std::string> content(std::string_view path) const;
    bool exists(std::string_view path) const { return node(path).has_value(); }
    bool isDirectory(std::string_view path) const;
    // Children of a directory, sorted by name.
    std::vector<std::pair<std::string, FsNode>> children(std::string_view directory) const;
    // The file a path names, following one symlink; nullopt when it is no file.
    std::optional<std::string> resolveFile(std::string_view path) const;
    std::optional<std::string> rawListing(std::string_view directory) const;
    std::optional<std::string> rawMlsd(std::string_view directory) const;

    // FTP operations: false when the path does not allow it.
    bool makeDirectory(std::string_view path);
    bool removeDirectory(std::string_view path); // only when empty
    bool removeFile(std::string_view path);
    bool rename(std::string_view from, std::string_view to);
    // Writes data at offset (truncating there), or appends when offset < 0.
    bool write(std::string_view path, std::int64_t offset, std::string_view data);

    // "/a/b/../c" against cwd -> "/a/c"; never leaves "/".
    static std::string normalize(std::string_view cwd, std::string_view path);
    static std::string parentOf(std::string_view path);
    static std::string nameOf(std::string_view path);

private:
    void addNode(std::string_view path, FsNode node);
    bool parentIsDirectory(const std::string& path) const;

    mutable std::mutex m_mutex;
    std::map<std::string, FsNode> m_nodes;
    std::map<std::string, std::string> m_listings;
    std::map<std::string, std::string> m_mlsd;
};

// Listing lines as servers write them ("ls -l" style and MLSD facts), without line ends.
std::string unixListLine(const std::string& name, const FsNode& node, std::time_t now);
std::string mlsdLine(const std::string& name, const FsNode& node);
std::string mdtmText(std::time_t t); // YYYYMMDDHHMMSS, UTC

} // namespace testsupport
