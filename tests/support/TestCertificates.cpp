#include "tests/support/TestCertificates.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

namespace tstest {

namespace {

struct KeyFree { void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); } };
struct CertFree { void operator()(X509* cert) const { X509_free(cert); } };
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using Cert = std::unique_ptr<X509, CertFree>;

void Check(bool ok, const char* what)
{
    if (!ok)
        throw std::runtime_error(std::string("making test certificates: ") + what);
}

Key NewKey()
{
    Key key(EVP_EC_gen("P-256"));
    Check(key != nullptr, "key");
    return key;
}

void AddExtension(X509* cert, X509* issuer, int nid, const char* value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    Check(extension != nullptr, value);
    X509_add_ext(cert, extension, -1);
    X509_EXTENSION_free(extension);
}

struct Validity {
    long notBeforeDays;
    long notAfterDays;
};

// A certificate for key, signed by issuerKey (issuer null: self-signed).
Cert MakeCertificate(EVP_PKEY* key, const char* commonName, X509* issuer, EVP_PKEY* issuerKey, bool authority,
                     Validity validity, const char* extendedUsage, long serial)
{
    Cert cert(X509_new());
    Check(cert != nullptr, "certificate");
    X509* c = cert.get();
    X509_set_version(c, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(c), serial);
    X509_gmtime_adj(X509_getm_notBefore(c), validity.notBeforeDays * 86400);
    X509_gmtime_adj(X509_getm_notAfter(c), validity.notAfterDays * 86400);
    X509_set_pubkey(c, key);
    X509_NAME* name = X509_get_subject_name(c);
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("Tessaly tests"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
    X509* signer = issuer ? issuer : c;
    X509_set_issuer_name(c, X509_get_subject_name(signer));

    AddExtension(c, signer, NID_subject_key_identifier, "hash");
    if (authority) {
        AddExtension(c, signer, NID_basic_constraints, "critical,CA:TRUE");
        AddExtension(c, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        AddExtension(c, signer, NID_authority_key_identifier, "keyid:always");
        AddExtension(c, signer, NID_basic_constraints, "critical,CA:FALSE");
        AddExtension(c, signer, NID_key_usage, "critical,digitalSignature,keyEncipherment");
        AddExtension(c, signer, NID_ext_key_usage, extendedUsage);
        AddExtension(c, signer, NID_subject_alt_name, (std::string("DNS:") + commonName).c_str());
    }
    Check(X509_sign(c, issuerKey ? issuerKey : key, EVP_sha256()) > 0, "signature");
    return cert;
}

void WritePem(const std::string& path, X509* cert)
{
    FILE* file = std::fopen(path.c_str(), "w");
    Check(file != nullptr, path.c_str());
    const bool ok = PEM_write_X509(file, cert) == 1;
    std::fclose(file);
    Check(ok, path.c_str());
}

void WritePem(const std::string& path, EVP_PKEY* key)
{
    FILE* file = std::fopen(path.c_str(), "w");
    Check(file != nullptr, path.c_str());
    const bool ok = PEM_write_PrivateKey(file, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
    std::fclose(file);
    Check(ok, path.c_str());
}

HttpPeer::TlsFiles WriteServer(const std::string& directory, const std::string& stem, X509* cert, EVP_PKEY* key)
{
    HttpPeer::TlsFiles files{directory + "/" + stem + ".crt", directory + "/" + stem + ".key"};
    WritePem(files.certificateFile, cert);
    WritePem(files.keyFile, key);
    return files;
}

struct Generated {
    TestCertificates certificates;

    Generated()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tessaly-certs-XXXXXX").string();
        Check(mkdtemp(pattern.data()) != nullptr, "temporary folder");
        auto& c = certificates;
        c.directory = pattern;

        Key caKey = NewKey();
        Cert ca = MakeCertificate(caKey.get(), "Tessaly Test CA", nullptr, nullptr, true, {-1, 3650}, nullptr, 1);
        c.caFile = c.directory + "/ca.crt";
        WritePem(c.caFile, ca.get());

        Key serverKey = NewKey();
        const char* host = TestCertificates::HostName;
        Cert valid = MakeCertificate(serverKey.get(), host, ca.get(), caKey.get(), false, {-1, 365}, "serverAuth", 2);
        Cert expired = MakeCertificate(serverKey.get(), host, ca.get(), caKey.get(), false, {-30, -1}, "serverAuth", 3);
        Cert clientOnly = MakeCertificate(serverKey.get(), host, ca.get(), caKey.get(), false, {-1, 365}, "clientAuth", 4);
        c.valid = WriteServer(c.directory, "valid", valid.get(), serverKey.get());
        c.expired = WriteServer(c.directory, "expired", expired.get(), serverKey.get());
        c.clientOnly = WriteServer(c.directory, "client-only", clientOnly.get(), serverKey.get());

        Key selfKey = NewKey();
        Cert self = MakeCertificate(selfKey.get(), host, nullptr, nullptr, false, {-1, 365}, "serverAuth", 5);
        c.selfSigned = WriteServer(c.directory, "self-signed", self.get(), selfKey.get());
    }

    ~Generated()
    {
        std::error_code ignored;
        std::filesystem::remove_all(certificates.directory, ignored);
    }
};

} // namespace

const TestCertificates& TestCertificates::Get()
{
    static const Generated generated;
    return generated.certificates;
}

} // namespace tstest
