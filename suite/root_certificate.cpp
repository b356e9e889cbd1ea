#include "suite/root_certificate.h"

#include "framework/handles.h"

#include <fstream>
#include <sstream>
#include <vector>

namespace {

// The DER bytes of the PEM file's first certificate; empty when none.
std::vector<BYTE> ReadPemCertificate(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    const std::string pem = text.str();
    DWORD size = 0;
    if (pem.empty() || !CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()),
                                             CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr))
        return {};
    std::vector<BYTE> der(size);
    if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                              der.data(), &size, nullptr, nullptr))
        return {};
    der.resize(size);
    return der;
}

// Adds the certificate to the user's Root store; with remove, takes the
// copy there out again.
bool ChangeRoot(const std::string& pemPath, bool remove) {
    const std::vector<BYTE> der = ReadPemCertificate(pemPath);
    UniqueCertStore store(CertOpenSystemStoreA(0, "ROOT"));
    if (der.empty() || !store)
        return false;
    PCCERT_CONTEXT added = nullptr;
    if (!CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, der.data(),
                                          static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING,
                                          &added))
        return false;
    if (remove)
        return CertDeleteCertificateFromStore(added) != FALSE; // frees the context too
    CertFreeCertificateContext(added);
    return true;
}

} // namespace

bool AddRootCertificate(const std::string& pemPath) {
    return ChangeRoot(pemPath, false);
}

bool RemoveRootCertificate(const std::string& pemPath) {
    return ChangeRoot(pemPath, true);
}
