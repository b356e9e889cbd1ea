// trust_ca.exe CA.pem: makes the demo's test CA trusted in the Wine prefix
// it runs in (the current user's Root store); exit code 0 on success.
#include "suite/root_certificate.h"

int main(int argc, char** argv) {
    return argc == 2 && AddRootCertificate(argv[1]) ? 0 : 1;
}
