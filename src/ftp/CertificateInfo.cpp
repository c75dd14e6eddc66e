#include "ftp/CertificateInfo.h"

#include <cctype>
#include <memory>

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

namespace ftp {

namespace {

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

CertificateInfo CertificateInfo::fromConnection(SSL* ssl)
{
    CertificateInfo info;
    X509* cert = SSL_get1_peer_certificate(ssl);
    if (!cert)
        return info;
    std::unique_ptr<X509, decltype(&X509_free)> guard(cert, X509_free);

    long result = SSL_get_verify_result(ssl);
    info.verified = result == X509_V_OK;
    if (!info.verified)
        info.verifyError = X509_verify_cert_error_string(result);

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
