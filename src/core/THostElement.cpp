#include "core/THostElement.h"

#include <optional>
#include <string>

#include "core/ConfigText.h"
#include "core/EConvertError.h"
#include "core/EVariantError.h"
#include "core/EnumNames.h"
#include "core/PasswordCipher.h"
#include "core/THost.h"
#include "core/TXMLDocument.h"

namespace {

constexpr int kDefaultPort = 21;

class StringWriter final : public pugi::xml_writer
{
public:
    explicit StringWriter(std::string& out)
        : m_out(out)
    {}
    void write(const void* data, size_t size) override { m_out.append(static_cast<const char*>(data), size); }

private:
    std::string& m_out;
};

std::optional<bool> booleanFromText(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const qint64 number = t.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return number != 0;
}

bool readBoolean(const pugi::xml_node& element, const char* name)
{
    if (!hasXmlAttribute(element, name))
        throw EVariantError(QStringLiteral("\"%1\" is missing").arg(QLatin1String(name)));
    const QString text = xmlAttribute(element, name);
    const std::optional<bool> value = booleanFromText(text);
    if (!value)
        throw EVariantError(
            QStringLiteral("\"%1\" is not True or False: \"%2\"").arg(QLatin1String(name), text));
    return *value;
}

int readInteger(const pugi::xml_node& element, const char* name)
{
    if (!hasXmlAttribute(element, name))
        throw EVariantError(QStringLiteral("\"%1\" is missing").arg(QLatin1String(name)));
    const QString text = xmlAttribute(element, name);
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok)
        throw EVariantError(QStringLiteral("\"%1\" is not a number: \"%2\"").arg(QLatin1String(name), text));
    return value;
}

int readPort(const pugi::xml_node& element)
{
    bool ok = false;
    const int port = xmlAttribute(element, "Port").trimmed().toInt(&ok, 10);
    return ok ? port : kDefaultPort;
}

void setText(pugi::xml_node& element, const char* name, const QString& value)
{
    setXmlAttribute(element, name, value);
}

void setBoolean(pugi::xml_node& element, const char* name, bool value)
{
    setXmlAttribute(element, name, toConfigText(value));
}

// A value whose absence means False: written when true or when the element has it.
void setOptionalBoolean(pugi::xml_node& element, const char* name, bool value)
{
    if (value || hasXmlAttribute(element, name))
        setBoolean(element, name, value);
}

bool readOptionalBoolean(const pugi::xml_node& element, const char* name)
{
    return hasXmlAttribute(element, name) && readBoolean(element, name);
}

void setInteger(pugi::xml_node& element, const char* name, int value)
{
    setXmlAttribute(element, name, QString::number(value));
}

} // namespace

void THostElement::write(pugi::xml_node element, const THost& host, TFormat format)
{
    setText(element, "CommonName", host.CommonName);
    setText(element, "Hostname", host.Hostname);
    setInteger(element, "Port", host.Port);
    setText(element, "Username", host.Username);
    setText(element, "Password", host.StoredPassword());
    setBoolean(element, "IsAnonymous", host.IsAnonymous);
    setText(element, "InitialRemoteDirectory", host.InitialRemoteDirectory);
    setText(element, "InitialLocalDirectory", host.InitialLocalDirectory);
    setText(element, "HostID", host.HostIDText());
    setBoolean(element, "Passive", host.Passive);
    setBoolean(element, "UseSSL", host.UseSSL);
    setOptionalBoolean(element, "AllowLegacyTlsCiphers", host.AllowLegacyTlsCiphers);
    setOptionalBoolean(element, "AcceptDataWithoutCloseNotify", host.AcceptDataWithoutCloseNotify);
    if (format == TFormat::Tree) {
        setBoolean(element, "UseDefaultDialupConnection", host.UseDefaultDialupConnection);
        if (!host.UseDefaultDialupConnection)
            setText(element, "DialupConnection", host.DialupConnection);
        setBoolean(element, "DisconnectDialupAfterDisconnect", host.DisconnectDialupAfterDisconnect);
    }
    setBoolean(element, "UseDefaultProxySettings", host.UseDefaultProxySettings);
    if (!host.UseDefaultProxySettings) {
        // The proxy type is kept by ordinal here, unlike DefaultProxyType in Config.xml.
        setInteger(element, "ProxyType", static_cast<int>(host.ProxySettings.ProxyType));
        setText(element, "ProxyHost", host.ProxySettings.Host);
        setInteger(element, "ProxyPort", host.ProxySettings.Port);
        setText(element, "ProxyUsername", host.ProxySettings.UserName);
        setText(element, "ProxyPassword", host.ProxySettings.Password);
    }
    if (format == TFormat::Tree) {
        while (pugi::xml_node old = element.child("Bookmarks"))
            element.remove_child(old);
        pugi::xml_node bookmarks = element.append_child("Bookmarks");
        for (const QString& path : host.Bookmarks) {
            pugi::xml_node bookmark = bookmarks.append_child("Bookmark");
            setText(bookmark, "Path", path);
        }
    }
}

void THostElement::read(const pugi::xml_node& element, THost& host, TFormat format)
{
    const QString idAttribute = xmlAttribute(element, "HostID");
    if (!hasXmlAttribute(element, "HostID"))
        throw EConvertError(QStringLiteral("\"HostID\" is missing"));
    if (!host.SetHostIDText(idAttribute))
        throw EConvertError(QStringLiteral("\"%1\" is not a valid host ID").arg(idAttribute));
    host.CommonName = xmlAttribute(element, "CommonName");
    host.Hostname = xmlAttribute(element, "Hostname");
    host.Username = xmlAttribute(element, "Username");
    host.InitialRemoteDirectory = xmlAttribute(element, "InitialRemoteDirectory");
    host.InitialLocalDirectory = xmlAttribute(element, "InitialLocalDirectory");
    host.Port = readPort(element);

    // An empty stored text is an empty password; anything else must decode to
    // whole cipher blocks, or the file was damaged.
    if (!host.SetStoredPassword(xmlAttribute(element, "Password")))
        throw EConvertError(QStringLiteral("the stored password is damaged: it does not decode to whole "
                                           "16-byte cipher blocks"));

    host.IsAnonymous = readBoolean(element, "IsAnonymous");
    host.Passive = readBoolean(element, "Passive");
    host.UseSSL = readBoolean(element, "UseSSL");
    host.AllowLegacyTlsCiphers = readOptionalBoolean(element, "AllowLegacyTlsCiphers");
    host.AcceptDataWithoutCloseNotify = readOptionalBoolean(element, "AcceptDataWithoutCloseNotify");
    if (format == TFormat::Tree) {
        host.UseDefaultDialupConnection = readBoolean(element, "UseDefaultDialupConnection");
        host.DisconnectDialupAfterDisconnect = readBoolean(element, "DisconnectDialupAfterDisconnect");
    }
    host.UseDefaultProxySettings = readBoolean(element, "UseDefaultProxySettings");

    if (format == TFormat::Tree && !host.UseDefaultDialupConnection)
        host.DialupConnection = xmlAttribute(element, "DialupConnection");

    if (!host.UseDefaultProxySettings) {
        const int ordinal = readInteger(element, "ProxyType");
        const std::optional<TIdFtpProxyType> type = EnumFromOrdinal<TIdFtpProxyType>(ordinal);
        if (!type)
            throw EVariantError(QStringLiteral("\"ProxyType\" is not a proxy type: %1").arg(ordinal));
        host.ProxySettings.ProxyType = *type;
        host.ProxySettings.Host = xmlAttribute(element, "ProxyHost");
        host.ProxySettings.Port = readInteger(element, "ProxyPort");
        host.ProxySettings.UserName = xmlAttribute(element, "ProxyUsername");
        host.ProxySettings.Password = xmlAttribute(element, "ProxyPassword");
    }

    if (format == TFormat::Tree) {
        if (const pugi::xml_node bookmarks = element.child("Bookmarks")) {
            for (const pugi::xml_node bookmark : bookmarks.children("Bookmark"))
                host.AddBookmark(xmlAttribute(bookmark, "Path"));
        }
    }
}

QString THostElement::idText(const pugi::xml_node& element)
{
    if (!hasXmlAttribute(element, "HostID"))
        return {};
    const std::optional<QUuid> id = THost::HostIDFromText(xmlAttribute(element, "HostID"));
    return id ? THost::HostIDToText(*id) : QString();
}

QString THostElement::xmlText(const pugi::xml_node& element)
{
    std::string text;
    StringWriter writer(text);
    element.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return QString::fromStdString(text);
}
