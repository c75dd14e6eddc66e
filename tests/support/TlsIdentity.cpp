#include "support/TlsIdentity.h"

#include <mutex>
#include <stdexcept>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace testsupport {

namespace {

[[noreturn]] void fail(const char* what)
{
    char detail[256] = {};
    ERR_error_string_n(ERR_get_error(), detail, sizeof detail);
    throw std::runtime_error(std::string("TlsIdentity: ") + what + ": " + detail);
}

std::string bioText(BIO* bio)
{
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    return std::string(data, static_cast<std::size_t>(size));
}

void addExtension(X509* certificate, int nid, const std::string& value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, certificate, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
    if (extension == nullptr) {
        fail("extension");
    }
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
}

} // namespace

std::shared_ptr<const TlsIdentity> TlsIdentity::create(const Params& params)
{
    std::shared_ptr<TlsIdentity> identity(new TlsIdentity);
    identity->m_key = params.rsaKey ? EVP_RSA_gen(2048) : EVP_EC_gen("P-256");
    if (identity->m_key == nullptr) {
        fail("key generation");
    }
    X509* x = X509_new();
    identity->m_certificate = x;
    X509_set_version(x, 2);
    unsigned char serial[8];
    RAND_bytes(serial, sizeof serial);
    serial[0] &= 0x7f;
    BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(x));
    BN_free(bn);
    X509_gmtime_adj(X509_getm_notBefore(x), params.notBeforeDays * 86400L);
    X509_gmtime_adj(X509_getm_notAfter(x), params.notAfterDays * 86400L);
    X509_set_pubkey(x, identity->m_key);
    X509_NAME* name = X509_get_subject_name(x);
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>("Scripted FTP test server"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(params.commonName.c_str()), -1, -1, 0);
    X509_set_issuer_name(x, name);
    addExtension(x, NID_basic_constraints, "critical,CA:FALSE");
    if (!params.altNames.empty()) {
        std::string joined;
        for (const std::string& alt : params.altNames) {
            joined += (joined.empty() ? "" : ",") + alt;
        }
        addExtension(x, NID_subject_alt_name, joined);
    }
    if (X509_sign(x, identity->m_key, EVP_sha256()) == 0) {
        fail("signing");
    }

    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, x);
    identity->m_certificatePem = bioText(bio);
    BIO_free(bio);
    bio = BIO_new(BIO_s_mem());
    PEM_write_bio_PrivateKey(bio, identity->m_key, nullptr, nullptr, 0, nullptr, nullptr);
    identity->m_privateKeyPem = bioText(bio);
    BIO_free(bio);

    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    X509_digest(x, EVP_sha256(), digest, &length);
    static const char hex[] = "0123456789abcdef";
    for (unsigned int i = 0; i < length; ++i) {
        identity->m_fingerprint += hex[digest[i] >> 4];
        identity->m_fingerprint += hex[digest[i] & 0xf];
    }
    return identity;
}

std::shared_ptr<const TlsIdentity> TlsIdentity::shared()
{
    static std::once_flag once;
    static std::shared_ptr<const TlsIdentity> identity;
    std::call_once(once, [] { identity = create(Params{}); });
    return identity;
}

TlsIdentity::~TlsIdentity()
{
    X509_free(m_certificate);
    EVP_PKEY_free(m_key);
}

SSL_CTX* TlsIdentity::makeServerContext() const
{
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    if (ctx == nullptr) {
        fail("SSL_CTX_new");
    }
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    if (SSL_CTX_use_certificate(ctx, m_certificate) != 1 || SSL_CTX_use_PrivateKey(ctx, m_key) != 1) {
        SSL_CTX_free(ctx);
        fail("loading the identity");
    }
    static const unsigned char sessionContext[] = "scripted-ftp";
    SSL_CTX_set_session_id_context(ctx, sessionContext, sizeof sessionContext - 1);
    SSL_CTX_set_session_cache_mode(ctx, SSL_SESS_CACHE_SERVER);
    // Writes may be retried with a different buffer after WANT_WRITE on a non-blocking socket.
    SSL_CTX_set_mode(ctx, SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER | SSL_MODE_ENABLE_PARTIAL_WRITE);
    return ctx;
}

} // namespace testsupport
