// Our own check of the certificate a TLS server presented: the chain built
// for server authentication up to a root the user trusts, revocation looked
// up where the platform can, and the SSL policy for the host name. There is
// no way to turn it off.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <string>

enum CertificateVerdict {
    CERT_ACCEPTED = 0,
    CERT_UNTRUSTED = 1, // no chain to a trusted root, a bad signature or usage
    CERT_WRONG_NAME = 2,
    CERT_EXPIRED = 3, // or not yet valid
    CERT_REVOKED = 4,
};

// The certificate comes with the store of what the server sent along
// (its intermediate certificates). Looking up revocation takes at most
// timeoutMs in all.
CertificateVerdict CheckServerCertificate(PCCERT_CONTEXT certificate, const std::string& host, int timeoutMs);
