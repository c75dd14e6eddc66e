#pragma once

#include <optional>
#include <string>

#include "engine/TCertificatePrompt.h"

namespace cli {

// The certificate questions of the command line, shared by the browsing commands
// and the queue-based ones.

// Whether the --trust-fingerprint value given names this certificate.
bool fingerprintMatches(const std::optional<std::string>& given, const TCertificatePrompt& prompt);
// The certificate's facts on stderr; when a --trust-fingerprint value was given
// and does not match, a line naming both fingerprints.
void printUntrustedCertificate(const TCertificatePrompt& prompt, const std::optional<std::string>& given);
// Why the certificate was refused without asking (no terminal), and how to accept it.
void printCertificateRefusal(const TCertificatePrompt& prompt, const std::optional<std::string>& given);

} // namespace cli
