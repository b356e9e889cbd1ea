#!/usr/bin/python3
"""Compiles the publisher's RSA public key into the updater.

    package_key.py PUBLIC_KEY.pem OUTPUT.cpp

Reads the PEM file with the key packages are signed with and writes a C++
source defining it as a CryptoAPI PUBLICKEYBLOB (updater/package_key.h). The
file holds one "PUBLIC KEY" block (SubjectPublicKeyInfo, as
`openssl pkey -pubout` writes it) or one "RSA PUBLIC KEY" block (PKCS#1
RSAPublicKey); the key has 2048 to 4096 bits. Anything else stops the build
with a message saying why, and nothing is written.
"""

import base64
import os
import re
import struct
import sys

MIN_BITS = 2048
MAX_BITS = 4096

# DER tags.
INTEGER = 0x02
BIT_STRING = 0x03
NULL = 0x05
OBJECT_IDENTIFIER = 0x06
SEQUENCE = 0x30

RSA_ENCRYPTION = bytes.fromhex("2a864886f70d010101")  # 1.2.840.113549.1.1.1

# wincrypt.h: BLOBHEADER and RSAPUBKEY.
PUBLICKEYBLOB = 0x06
CUR_BLOB_VERSION = 0x02
CALG_RSA_SIGN = 0x00002400
RSA1 = 0x31415352


class KeyFileError(Exception):
    """The file holds no RSA public key the updater can check signatures with."""


def pem_block(text):
    """The label and the decoded bytes of the one PEM block in text."""
    lines = [line.strip() for line in text.splitlines()]
    begins = [i for i, line in enumerate(lines) if line.startswith("-----BEGIN")]
    if len(begins) != 1:
        raise KeyFileError("no PEM block" if not begins else "more than one PEM block")
    start = begins[0]
    match = re.fullmatch(r"-----BEGIN ([A-Z0-9 ]+)-----", lines[start])
    if not match:
        raise KeyFileError("malformed BEGIN line")
    label = match.group(1)
    end_line = "-----END %s-----" % label
    if end_line not in lines[start + 1:]:
        raise KeyFileError("no line " + end_line)
    end = lines.index(end_line, start + 1)
    try:
        return label, base64.b64decode("".join(lines[start + 1:end]), validate=True)
    except ValueError:
        raise KeyFileError("the %s block is not Base64" % label) from None


def der_element(data, pos, tag, what):
    """The contents of the DER element at pos, which must have tag, and the
    position after it."""
    if pos + 2 > len(data):
        raise KeyFileError(what + ": truncated")
    if data[pos] != tag:
        raise KeyFileError("%s: tag 0x%02x where 0x%02x belongs" % (what, data[pos], tag))
    length = data[pos + 1]
    pos += 2
    if length & 0x80:
        count = length & 0x7F
        if count == 0 or count > 4 or pos + count > len(data):
            raise KeyFileError(what + ": bad length")
        length = int.from_bytes(data[pos:pos + count], "big")
        if length < 0x80 or data[pos] == 0:
            raise KeyFileError(what + ": length not in its shortest form")
        pos += count
    if pos + length > len(data):
        raise KeyFileError(what + ": truncated")
    return data[pos:pos + length], pos + length


def der_end(data, pos, what):
    if pos != len(data):
        raise KeyFileError(what + ": bytes after its end")


def der_unsigned(contents, what):
    if not contents:
        raise KeyFileError(what + ": empty INTEGER")
    if contents[0] & 0x80:
        raise KeyFileError(what + " is negative")
    if len(contents) > 1 and contents[0] == 0 and not contents[1] & 0x80:
        raise KeyFileError(what + ": INTEGER not in its shortest form")
    return int.from_bytes(contents, "big")


def rsa_public_key(der):
    """Modulus and public exponent of a DER RSAPublicKey."""
    rsa, end = der_element(der, 0, SEQUENCE, "RSAPublicKey")
    der_end(der, end, "RSAPublicKey")
    modulus, pos = der_element(rsa, 0, INTEGER, "modulus")
    exponent, pos = der_element(rsa, pos, INTEGER, "public exponent")
    der_end(rsa, pos, "RSAPublicKey")
    return der_unsigned(modulus, "modulus"), der_unsigned(exponent, "public exponent")


def subject_public_key(der):
    """The RSAPublicKey inside a DER SubjectPublicKeyInfo of an RSA key."""
    info, end = der_element(der, 0, SEQUENCE, "SubjectPublicKeyInfo")
    der_end(der, end, "SubjectPublicKeyInfo")
    algorithm, pos = der_element(info, 0, SEQUENCE, "AlgorithmIdentifier")
    key, pos = der_element(info, pos, BIT_STRING, "subjectPublicKey")
    der_end(info, pos, "SubjectPublicKeyInfo")
    oid, pos = der_element(algorithm, 0, OBJECT_IDENTIFIER, "algorithm")
    if oid != RSA_ENCRYPTION:
        raise KeyFileError("not an RSA key")
    parameters, pos = der_element(algorithm, pos, NULL, "algorithm parameters")
    if parameters:
        raise KeyFileError("algorithm parameters: NULL with contents")
    der_end(algorithm, pos, "AlgorithmIdentifier")
    if not key or key[0] != 0:
        raise KeyFileError("subjectPublicKey: not a whole number of bytes")
    return key[1:]


def public_key_numbers(text):
    """Modulus and public exponent of the key in a PEM text."""
    label, der = pem_block(text)
    if label == "PUBLIC KEY":
        der = subject_public_key(der)
    elif "PRIVATE KEY" in label:
        raise KeyFileError("this is a private key; the build takes its public half "
                           "(openssl pkey -in private.pem -pubout -out public.pem)")
    elif label != "RSA PUBLIC KEY":
        raise KeyFileError("a %s block, not a public key" % label)
    modulus, exponent = rsa_public_key(der)
    bits = modulus.bit_length()
    if not MIN_BITS <= bits <= MAX_BITS:
        raise KeyFileError("a key of %d bits; packages are signed with keys of %d to %d bits"
                           % (bits, MIN_BITS, MAX_BITS))
    # CryptoAPI keeps the exponent in 32 bits; 1 or an even one is no RSA key.
    if exponent < 3 or exponent % 2 == 0 or exponent >= 1 << 32:
        raise KeyFileError("public exponent %d: not odd, at least 3 and below 2^32" % exponent)
    return modulus, exponent


def public_key_blob(modulus, exponent):
    """The PUBLICKEYBLOB CryptImportKey takes: BLOBHEADER, RSAPUBKEY, then the
    modulus in little-endian byte order."""
    size = (modulus.bit_length() + 7) // 8
    return (struct.pack("<BBHIIII", PUBLICKEYBLOB, CUR_BLOB_VERSION, 0, CALG_RSA_SIGN, RSA1,
                        size * 8, exponent)
            + modulus.to_bytes(size, "little"))


def blob_source(blob, pem_name):
    rows = []
    for start in range(0, len(blob), 16):
        rows.append("    " + " ".join("0x%02x," % byte for byte in blob[start:start + 16]))
    return ("// Generated by tools/package_key.py from %s: the RSA public key packages\n"
            "// are signed with, as a CryptoAPI PUBLICKEYBLOB.\n"
            "#include \"updater/package_key.h\"\n\n"
            "const uint8_t kPackageKeyBlob[] = {\n%s\n};\n"
            "const size_t kPackageKeyBlobSize = sizeof kPackageKeyBlob;\n"
            % (pem_name, "\n".join(rows)))


def main(argv):
    if len(argv) != 3:
        sys.exit("usage: package_key.py PUBLIC_KEY.pem OUTPUT.cpp")
    pem_path, output_path = argv[1], argv[2]
    try:
        with open(pem_path, "rb") as pem:
            # Base64 and the block lines are ASCII; any text around them is left alone.
            blob = public_key_blob(*public_key_numbers(pem.read().decode("latin-1")))
    except (OSError, KeyFileError) as error:
        sys.exit("package key %s: %s" % (pem_path, error))
    with open(output_path, "w") as output:
        output.write(blob_source(blob, os.path.basename(pem_path)))


if __name__ == "__main__":
    main(sys.argv)
