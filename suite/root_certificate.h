// The test CA of the demo and the tests, made trusted in their own Wine
// prefix: the certificate of a PEM file added to (or removed from) the
// current user's "Root" store. Windows would ask the user first; Wine adds
// it without asking.
#pragma once

#include <string>

bool AddRootCertificate(const std::string& pemPath);
bool RemoveRootCertificate(const std::string& pemPath);
