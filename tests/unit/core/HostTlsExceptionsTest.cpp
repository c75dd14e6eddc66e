#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "core/EVariantError.h"
#include "core/THost.h"
#include "core/THostElement.h"
#include "core/TXMLDocument.h"

// The per-host TLS exceptions are values older files do not have: missing reads
// as off, and a host that never had them on is written as before.

namespace {

const char* const kHostWithoutExceptions =
    "<Host CommonName=\"a\" Hostname=\"a.example\" Port=\"21\" Username=\"u\" Password=\"\""
    " IsAnonymous=\"False\" InitialRemoteDirectory=\"\" InitialLocalDirectory=\"\""
    " HostID=\"{3F2504E0-4F89-11D3-9A0C-0305E82C3301}\" Passive=\"True\" UseSSL=\"True\""
    " UseDefaultProxySettings=\"True\"/>";

pugi::xml_node parse(pugi::xml_document& document, const char* xml)
{
    EXPECT_TRUE(document.load_string(xml));
    return document.first_child();
}

} // namespace

TEST(HostTlsExceptionsTest, AnOlderHostElementReadsWithBothExceptionsOffAndIsWrittenWithoutThem)
{
    pugi::xml_document document;
    pugi::xml_node element = parse(document, kHostWithoutExceptions);
    THost host;
    host.AllowLegacyTlsCiphers = true; // read() must not keep a value the element lacks
    host.AcceptDataWithoutCloseNotify = true;
    THostElement::read(element, host, THostElement::TFormat::Quick);
    EXPECT_TRUE(host.UseSSL);
    EXPECT_FALSE(host.AllowLegacyTlsCiphers);
    EXPECT_FALSE(host.AcceptDataWithoutCloseNotify);

    THostElement::write(element, host, THostElement::TFormat::Quick);
    EXPECT_FALSE(hasXmlAttribute(element, "AllowLegacyTlsCiphers"));
    EXPECT_FALSE(hasXmlAttribute(element, "AcceptDataWithoutCloseNotify"));
}

TEST(HostTlsExceptionsTest, TurnedOnTheyAreStoredAndTurnedOffAgainTheyReadAsOff)
{
    pugi::xml_document document;
    pugi::xml_node element = parse(document, kHostWithoutExceptions);
    THost host;
    THostElement::read(element, host, THostElement::TFormat::Quick);
    host.AllowLegacyTlsCiphers = true;
    THostElement::write(element, host, THostElement::TFormat::Quick);
    EXPECT_EQ(xmlAttribute(element, "AllowLegacyTlsCiphers"), QStringLiteral("True"));
    EXPECT_FALSE(hasXmlAttribute(element, "AcceptDataWithoutCloseNotify"));

    THost again;
    THostElement::read(element, again, THostElement::TFormat::Quick);
    EXPECT_TRUE(again.AllowLegacyTlsCiphers);
    EXPECT_FALSE(again.AcceptDataWithoutCloseNotify);

    again.AllowLegacyTlsCiphers = false;
    again.AcceptDataWithoutCloseNotify = true;
    THostElement::write(element, again, THostElement::TFormat::Quick);
    EXPECT_EQ(xmlAttribute(element, "AllowLegacyTlsCiphers"), QStringLiteral("False"));
    THost third;
    THostElement::read(element, third, THostElement::TFormat::Quick);
    EXPECT_FALSE(third.AllowLegacyTlsCiphers);
    EXPECT_TRUE(third.AcceptDataWithoutCloseNotify);
}

TEST(HostTlsExceptionsTest, AValueThatIsNotABooleanIsAnErrorNotASilentYes)
{
    pugi::xml_document document;
    pugi::xml_node element = parse(document, kHostWithoutExceptions);
    element.append_attribute("AllowLegacyTlsCiphers") = "maybe";
    THost host;
    EXPECT_THROW(THostElement::read(element, host, THostElement::TFormat::Quick), EVariantError);
}
