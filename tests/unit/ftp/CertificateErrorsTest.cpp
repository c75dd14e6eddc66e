// Every reason a certificate fails verification reaches the user, not only the
// last one OpenSSL looked at.
#include <algorithm>
#include <optional>

#include <gtest/gtest.h>

#include "ClientTestSupport.h"
#include "support/TlsIdentity.h"

using namespace testsupport;
using namespace clienttest;

namespace {

bool has(const std::vector<std::string>& list, const std::string& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

std::optional<ftp::CertificateInfo> seenBy(const TlsIdentity::Params& params)
{
    ScriptedFtpServer server({.identity = TlsIdentity::create(params)});
    auto client = makeClient(server, true);
    std::optional<ftp::CertificateInfo> seen;
    client->callbacks().certificate = [&](const ftp::CertificateInfo& info) {
        seen = info;
        return true;
    };
    connectAndLogin(*client);
    return seen;
}

} // namespace

TEST(CertificateErrorsTest, AnExpiredCertificateForAnotherNameShowsBothFaults)
{
    // Reached as 127.0.0.1, made for wrong.example, expired yesterday.
    const auto seen = seenBy({.commonName = "wrong.example",
                              .altNames = {"DNS:wrong.example"},
                              .notBeforeDays = -30,
                              .notAfterDays = -1});
    ASSERT_TRUE(seen);
    EXPECT_FALSE(seen->verified);
    const std::vector<std::string>& errors = seen->verifyErrors;
    EXPECT_TRUE(has(errors, "certificate has expired")) << seen->verifyError;
    EXPECT_TRUE(has(errors, "IP address mismatch")) << seen->verifyError;
    EXPECT_TRUE(has(errors, "self-signed certificate")) << seen->verifyError;
    // Each once, and the one-line form names them all.
    EXPECT_EQ(errors.size(), 3u) << seen->verifyError;
    for (const std::string& error : errors)
        EXPECT_NE(seen->verifyError.find(error), std::string::npos) << seen->verifyError;
}

TEST(CertificateErrorsTest, AValidSelfSignedCertificateForTheRightNameHasOneReason)
{
    const auto seen = seenBy({});
    ASSERT_TRUE(seen);
    EXPECT_FALSE(seen->verified);
    EXPECT_EQ(seen->verifyErrors, (std::vector<std::string>{"self-signed certificate"}));
    EXPECT_EQ(seen->verifyError, "self-signed certificate");
}
