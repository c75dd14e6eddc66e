#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace ftp {

// How a server spells a name that is not plain ASCII. A set of these is a
// NameForms value: both bits mean two entries that read alike.
enum NameForm : std::uint8_t
{
    kUtf8Form = 1,   // the server's bytes were valid UTF-8: the name is those bytes
    kLatin1Form = 2, // they were not and were read as Latin-1: the bytes are the name's Latin-1 form
};
using NameForms = std::uint8_t;

// What one server's names look like on the wire, per directory, shared by every
// connection of the process to that server and account (the browsing connection
// lists a directory, a transfer connection names a file in it). Only names that
// are not plain ASCII are kept: ASCII reads the same either way.
//
// Thread-safe. Bounded: past kMaxNames names or kMaxDirectories directories the
// directories used least recently are forgotten whole.
class NameMemory final
{
public:
    static constexpr std::size_t kMaxNames = 100000;
    static constexpr std::size_t kMaxDirectories = 20000;
    static constexpr std::size_t kMaxServers = 32;

    // The memory of one server and account, made on first use. The registry keeps
    // the kMaxServers used last, and beyond them every one a connection still holds.
    static std::shared_ptr<NameMemory> forServer(const std::string& host, std::uint16_t port,
                                                 const std::string& user);
    // Empties the registry (tests that reuse a port).
    static void forgetServers();

    struct Found
    {
        NameForms here = 0;     // the name's forms in that directory
        bool listed = false;    // the directory was listed whole: a name not in it is not there
        NameForms anywhere = 0; // its forms in every directory known
    };
    // `directory` is a decoded path (absolute where the server's paths are), or
    // empty for names whose directory is not known.
    Found find(const std::string& directory, const std::string& name);
    // Every name of the directory is known (a whole listing, not forgotten since).
    bool listed(const std::string& directory) const;

    // A whole listing of `directory`: replaces what was known of it. `names` are
    // its names that are not plain ASCII, with their forms.
    void learnListing(const std::string& directory,
                      const std::vector<std::pair<std::string, NameForms>>& names);
    // One name more, in addition to what is known of the directory.
    void learnName(const std::string& directory, const std::string& name, NameForms forms);
    void forgetName(const std::string& directory, const std::string& name);
    // The directory and every directory below it.
    void forgetTree(const std::string& directory);

    std::size_t nameCount() const;
    std::size_t directoryCount() const;

private:
    struct Directory
    {
        std::unordered_map<std::string, NameForms> names;
        bool listed = false;
        std::list<std::string>::iterator age;
    };
    using Directories = std::unordered_map<std::string, Directory>;

    Directory& touchLocked(const std::string& key);
    void addLocked(Directory& directory, const std::string& name, NameForms forms);
    void dropLocked(Directories::iterator it);
    // Forgets the oldest directories other than `keep` until the bounds hold.
    void trimLocked(const std::string& keep);
    void countLocked(const std::string& name, NameForms forms, int delta);

    mutable std::mutex m_mutex;
    Directories m_directories;
    std::list<std::string> m_ages; // keys, least recently used first
    // Per name: how many directories hold it in UTF-8 and in Latin-1.
    std::unordered_map<std::string, std::array<std::uint32_t, 2>> m_anywhere;
    std::size_t m_names = 0;
};

} // namespace ftp
