#include "ftp/CertificateInfo.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

namespace ftp {

namespace {

using ErrorList = std::vector<std::pair<int, int>>; // (X509_V_ERR_..., depth)

void freeErrorList(void*, void* list, CRYPTO_EX_DATA*, int, long, void*)
{
    delete static_cast<ErrorList*>(list);
}

int errorListIndex()
{
    static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, freeErrorList);
    return index;
}

// Runs for every step of the chain's verification. Returning 1 lets it go on, so
// every failure is seen; whether the connection is trusted is decided from the
// verification result afterwards, which stays the failure's (never X509_V_OK).
int recordVerifyStep(int ok, X509_STORE_CTX* ctx)
{
    if (ok)
        return 1;
    auto* ssl = static_cast<SSL*>(X509_STORE_CTX_get_ex_data(ctx, SSL_get_ex_data_X509_STORE_CTX_idx()));
    auto* list = ssl ? static_cast<ErrorList*>(SSL_get_ex_data(ssl, errorListIndex())) : nullptr;
    if (list) {
        const std::pair<int, int> step{X509_STORE_CTX_get_error(ctx), X509_STORE_CTX_get_error_depth(ctx)};
        if (std::find(list->begin(), list->end(), step) == list->end())
            list->push_back(step);
    }
    return 1;
}

std::string nameText(const X509_NAME* name)
{
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), BIO_free);
    X509_NAME_print_ex(bio.get(), name, 0, XN_FLAG_RFC2253);
    char* data = nullptr;
    long len = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(len));
}

std::time_t timeOf(const ASN1_TIME* t)
{
    std::tm tm{};
    if (!t || ASN1_TIME_to_tm(t, &tm) != 1)
        return 0;
    return ::timegm(&tm);
}

std::string normalise(const std::string& fingerprint)
{
    std::string out;
    for (char c : fingerprint)
        if (std::isxdigit(static_cast<unsigned char>(c)))
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        else if (c != ':' && c != ' ')
            return {};
    return out;
}

} // namespace

std::string CertificateInfo::fingerprintText() const
{
    std::string out;
    for (std::size_t i = 0; i + 1 < sha256.size(); i += 2) {
        if (!out.empty())
            out += ':';
        out += static_cast<char>(std::toupper(static_cast<unsigned char>(sha256[i])));
        out += static_cast<char>(std::toupper(static_cast<unsigned char>(sha256[i + 1])));
    }
    return out;
}

bool CertificateInfo::sameFingerprint(const std::string& a, const std::string& b)
{
    std::string x = normalise(a);
    return x.size() == 64 && x == normalise(b);
}

void CertificateInfo::collectVerifyErrors(SSL* ssl)
{
    if (!SSL_get_ex_data(ssl, errorListIndex()))
        SSL_set_ex_data(ssl, errorListIndex(), new ErrorList);
    SSL_set_verify(ssl, SSL_get_verify_mode(ssl), recordVerifyStep);
}

CertificateInfo CertificateInfo::fromConnection(SSL* ssl)
{
    CertificateInfo info;
    X509* cert = SSL_get1_peer_certificate(ssl);
    if (!cert)
        return info;
    std::unique_ptr<X509, decltype(&X509_free)> guard(cert, X509_free);

    long result = SSL_get_verify_result(ssl);
    info.verified = result == X509_V_OK;
    if (!info.verified) {
        const auto* list = static_cast<const ErrorList*>(SSL_get_ex_data(ssl, errorListIndex()));
        if (list)
            for (const auto& [error, depth] : *list) {
                std::string text = X509_verify_cert_error_string(error);
                if (depth > 0)
                    text += " (certificate " + std::to_string(depth) + " of the chain)";
                info.verifyErrors.push_back(std::move(text));
            }
        if (info.verifyErrors.empty())
            info.verifyErrors.push_back(X509_verify_cert_error_string(result));
        for (const std::string& error : info.verifyErrors)
            info.verifyError += (info.verifyError.empty() ? "" : "; ") + error;
    }

    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int mdLen = 0;
    X509_digest(cert, EVP_sha256(), md, &mdLen);
    static const char* hex = "0123456789abcdef";
    for (unsigned int i = 0; i < mdLen; ++i) {
        info.sha256 += hex[md[i] >> 4];
        info.sha256 += hex[md[i] & 15];
    }
    info.subject = nameText(X509_get_subject_name(cert));
    info.issuer = nameText(X509_get_issuer_name(cert));
    info.notBefore = timeOf(X509_get0_notBefore(cert));
    info.notAfter = timeOf(X509_get0_notAfter(cert));

    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), BIO_free);
    PEM_write_bio_X509(bio.get(), cert);
    char* data = nullptr;
    long len = BIO_get_mem_data(bio.get(), &data);
    info.pem.assign(data, static_cast<std::size_t>(len));
    return info;
}

} // namespace ftp
