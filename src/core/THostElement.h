#pragma once

#include <pugixml.hpp>

#include <QString>

class THost;

// A host as a "Host" element of Hosts.xml and QuickHosts.xml.
//
// Attributes, in the order they are written: CommonName, Hostname, Port,
// Username, Password (enciphered under the host's own ID text), IsAnonymous,
// InitialRemoteDirectory, InitialLocalDirectory, HostID, Passive, UseSSL, then
// AllowLegacyTlsCiphers and AcceptDataWithoutCloseNotify only when true or already
// there (missing reads as False, so older files keep their meaning); the
// host tree then adds UseDefaultDialupConnection, DialupConnection (only when the
// host has its own dial-up entry) and DisconnectDialupAfterDisconnect; both end
// with UseDefaultProxySettings and, only for a host with its own proxy,
// ProxyType (the ordinal), ProxyHost, ProxyPort, ProxyUsername, ProxyPassword
// (plain). The host tree also keeps a "Bookmarks" child with one "Bookmark"
// element (attribute "Path") per bookmark, in sorted order.
class THostElement final
{
public:
    enum class TFormat
    {
        Tree,  // Hosts.xml: dial-up fields and bookmarks
        Quick, // QuickHosts.xml: neither
    };

    THostElement() = delete;

    // Sets the attributes in the order above: an attribute the element has already
    // keeps its place, a new one is appended, and one not written this time (the
    // dial-up entry of a host that now uses the default) keeps its old value. In
    // the tree format the "Bookmarks" child is replaced.
    static void write(pugi::xml_node element, const THost& host, TFormat format);

    // Fills `host` from the element; fields the format does not store keep their
    // values. Throws EVariantError for a missing or unconvertible boolean, or a
    // missing or unconvertible ProxyType or ProxyPort of a host with its own proxy;
    // EConvertError for a HostID that is not an ID and a password that cannot be
    // deciphered. A missing text reads as empty, a Port that is not a number as 21.
    static void read(const pugi::xml_node& element, THost& host, TFormat format);

    // The element's HostID in the form stores compare (upper case, braces), or
    // empty when it has none that reads as an ID.
    static QString idText(const pugi::xml_node& element);

    // The element as XML text on one line, children included.
    static QString xmlText(const pugi::xml_node& element);
};
