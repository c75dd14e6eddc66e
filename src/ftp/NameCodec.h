#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ftp/ListingEntry.h"
#include "ftp/NameMemory.h"

namespace ftp {

// File names between the wire and the caller's UTF-8, for one connection.
//
// Bytes from the server that are valid UTF-8 are taken as they are; anything else
// is read as Latin-1 (older servers). A command naming an entry sends the server's
// own bytes back: the codec learns how the server spells each name that is not
// plain ASCII, per directory, from listings and from PWD and MKD replies, into a
// NameMemory shared with every connection to the same server and account. To place
// relative names it follows the connection's current directory (CWD, CDUP, PWD).
//
// Paths are '/'-separated; each part is encoded in the directory it is in:
// - spelt as the server spelt it there;
// - a directory listed whole that lacks the name: UTF-8 (a new name);
// - a directory not known: the one spelling the name has elsewhere on this server,
//   else UTF-8.
// A part that one directory holds in both spellings (a UTF-8 "é" and a Latin-1 "é")
// could mean either entry: encoding it throws ProtocolError, before anything is
// sent, rather than act on the wrong one.
//
// Used by one connection's thread; the memory behind it is thread-safe.
class NameCodec final
{
public:
    // With a memory of its own until attach().
    NameCodec();

    // Shares the memory of this server and account. Attaching elsewhere starts over
    // without a current directory.
    void attach(const std::string& host, std::uint16_t port, const std::string& user);
    NameMemory& memory() { return *m_memory; }
    // Forgets what belongs to the connection (its current directory); the memory stays.
    void clear() { m_cwd.reset(); }

    // --- Server bytes -> UTF-8.
    // A name whose directory is not known; it is learnt as such.
    std::string decode(std::string_view raw);
    // A path the server reported (PWD, MKD): each part is learnt in the directory
    // before it (relative paths from the current directory).
    std::string decodePath(std::string_view raw);
    // A listing's names (and link targets, owners, groups), in place. `directory`:
    // where the entries are (nullopt: not known); `whole`: they are all its entries.
    void decodeListing(std::vector<ListingEntry>& entries, const std::optional<std::string>& directory,
                       bool whole);

    // --- UTF-8 -> server bytes.
    std::string encode(std::string_view path);
    // True when encoding `path` needs no guess: every part that is not plain ASCII
    // is known in its directory, or its directory was listed whole.
    bool knows(std::string_view path);
    // The directory whose whole listing would make the first part of `path` that
    // knows() misses known; nullopt when there is none (or the directory cannot be
    // told: a relative path without a current directory).
    std::optional<std::string> nextDirectoryToLearn(std::string_view path);

    // --- What the connection did.
    void setCurrentDirectory(const std::string& decoded); // the server's PWD
    void changedDirectory(std::string_view path);         // a CWD succeeded
    void changedUp();                                     // a CDUP succeeded
    void forgetCurrentDirectory() { m_cwd.reset(); }
    const std::optional<std::string>& currentDirectory() const { return m_cwd; }
    // `path` now names an entry, created (MKD, STOR, RNTO) with `encoded` as sent.
    void created(std::string_view path, std::string_view encoded);
    // `path` no longer names an entry (DELE; RMD and RNFR with `tree`, which also
    // forgets what was known below it).
    void removed(std::string_view path, bool tree);
    // The decoded path normalised ("a//b/../c" -> "a/c"), made absolute with the
    // current directory; nullopt for a relative path without one.
    std::optional<std::string> resolve(std::string_view path) const;

    static bool isValidUtf8(std::string_view s);
    static bool isAscii(std::string_view s);
    static std::string latin1ToUtf8(std::string_view s);
    // nullopt when the text holds a character beyond U+00FF (or is not UTF-8).
    static std::optional<std::string> utf8ToLatin1(std::string_view s);
    // One name or path, decoded part by part without learning anything.
    static std::string decodeText(std::string_view raw);

private:
    std::string encodePart(const std::optional<std::string>& directory, std::string_view part);
    bool knowsPart(const std::optional<std::string>& directory, std::string_view part);
    // The directory a path's last part is in, and that part.
    std::pair<std::optional<std::string>, std::string> locate(std::string_view path) const;
    std::string learnPath(std::string_view raw, std::optional<std::string> base);

    std::shared_ptr<NameMemory> m_memory;
    std::string m_server; // the key attach() was given
    std::optional<std::string> m_cwd;
};

} // namespace ftp
