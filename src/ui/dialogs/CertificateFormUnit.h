#pragma once

#include <QDialog>

#include "engine/TCertificatePrompt.h"
#include "ui/dialogs/TFormLanguage.h"

class QWidget;

// Asks whether to trust a server certificate that could not be verified: the
// server, the certificate's subject, issuer, validity and SHA-256 fingerprint,
// why it was not verified, and a warning when another certificate was trusted
// for the same server before. Reject is the default; Escape and closing the
// window reject.
//
// Usage: build it for a prompt, exec(), read answer(); or AskCertificate().
// User-interface thread only.
class TCertificateForm final : public QDialog
{
    Q_OBJECT

public:
    explicit TCertificateForm(const TCertificatePrompt& prompt, QWidget* parent = nullptr);

    TCertificateAnswer answer() const { return m_answer; }

private:
    void choose(TCertificateAnswer answer);

    TFormLanguage m_language;
    TCertificateAnswer m_answer = TCertificateAnswer::caReject;
};

// The certificate prompter of the browsing worker and the queue: shows the
// dialog modally on `parent` and fills prompt.Answer (caReject when the dialog
// went away with its parent).
void AskCertificate(QWidget* parent, TCertificatePrompt& prompt);
