// The chain's parameters with their later fields: the time-out of the
// revocation look-ups.
#define CERT_CHAIN_PARA_HAS_EXTRA_FIELDS
#include "download/server_certificate.h"

#include "framework/handles.h"

#include <vector>

namespace {

// What the policy's or the chain's error says about the certificate.
CertificateVerdict VerdictOf(DWORD error) {
    switch (error) {
    case 0:
        return CERT_ACCEPTED;
    case static_cast<DWORD>(CERT_E_CN_NO_MATCH):
        return CERT_WRONG_NAME;
    case static_cast<DWORD>(CERT_E_EXPIRED):
        return CERT_EXPIRED;
    case static_cast<DWORD>(CRYPT_E_REVOKED):
        return CERT_REVOKED;
    default:
        return CERT_UNTRUSTED;
    }
}

std::wstring Wide(const std::string& text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::vector<wchar_t> wide(static_cast<size_t>(length > 0 ? length : 1));
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
    return wide.data();
}

} // namespace

CertificateVerdict CheckServerCertificate(PCCERT_CONTEXT certificate, const std::string& host, int timeoutMs) {
    if (certificate == nullptr)
        return CERT_UNTRUSTED;
    char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
    LPSTR usages[] = {serverAuth};
    CERT_CHAIN_PARA chainPara{};
    chainPara.cbSize = sizeof chainPara;
    chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
    chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    // The look-ups of revocation lists together within the time-out, not
    // the system's 15 s for each address: an unknown status is accepted.
    chainPara.dwUrlRetrievalTimeout = static_cast<DWORD>(timeoutMs);
    PCCERT_CHAIN_CONTEXT built = nullptr;
    if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chainPara,
                                 CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT |
                                     CERT_CHAIN_REVOCATION_ACCUMULATIVE_TIMEOUT,
                                 nullptr, &built))
        return CERT_UNTRUSTED;
    UniqueCertChain chain(built);

    std::wstring name = Wide(host);
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = &name[0];
    // A revocation status that cannot be learnt (no list, offline) is
    // accepted, as browsers do; a certificate found revoked is refused
    // below. Wine's policy heeds only the SSL check flag, Windows' both.
    ssl.fdwChecks = SECURITY_FLAG_IGNORE_REVOCATION;
    CERT_CHAIN_POLICY_PARA policyPara{};
    policyPara.cbSize = sizeof policyPara;
    policyPara.dwFlags = CERT_CHAIN_POLICY_IGNORE_ALL_REV_UNKNOWN_FLAGS;
    policyPara.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policyPara, &status))
        return CERT_UNTRUSTED;
    if (status.dwError != 0)
        return VerdictOf(status.dwError);
    // The policy passed; a certificate found revoked anywhere below the root still counts.
    if (chain.get()->TrustStatus.dwErrorStatus & CERT_TRUST_IS_REVOKED)
        return CERT_REVOKED;
    return CERT_ACCEPTED;
}
