#!/usr/bin/python3
"""tools/package_key.py against keys, signatures and DER made by openssl."""

import base64
import hashlib
import os
import random
import re
import struct
import subprocess
import sys
import tempfile
import unittest

TOOLS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools")
sys.path.insert(0, TOOLS)
import package_key  # noqa: E402

# DigestInfo of SHA-256 in a PKCS#1 v1.5 signature (RFC 8017, section 9.2).
SHA256_DIGEST_INFO = bytes.fromhex("3031300d060960864801650304020105000420")


def openssl(*args, data=None):
    return subprocess.run(["openssl", *args], input=data, capture_output=True, check=True).stdout


def pem(label, der):
    body = base64.encodebytes(der).decode().replace("\n", "")
    lines = [body[i:i + 64] for i in range(0, len(body), 64)]
    return "-----BEGIN %s-----\n%s\n-----END %s-----\n" % (label, "\n".join(lines), label)


def crafted_key(modulus, exponent):
    """A SubjectPublicKeyInfo of any numbers, encoded by openssl."""
    config = ("asn1=SEQUENCE:info\n[info]\nalgorithm=SEQUENCE:alg\nkey=BITWRAP,SEQUENCE:rsa\n"
              "[alg]\noid=OID:rsaEncryption\nparameters=NULL\n"
              "[rsa]\nn=INTEGER:0x%x\ne=INTEGER:0x%x\n" % (modulus, exponent))
    with tempfile.NamedTemporaryFile("w", suffix=".cnf") as file:
        file.write(config)
        file.flush()
        return pem("PUBLIC KEY", openssl("asn1parse", "-genconf", file.name, "-noout", "-out", "-"))


def openssl_numbers(text, label):
    """Modulus and exponent as openssl reads the key; None when it refuses."""
    form = "-pubin" if label == "PUBLIC KEY" else "-RSAPublicKey_in"
    try:
        dump = openssl("rsa", form, "-noout", "-text", data=text.encode("latin-1")).decode()
    except subprocess.CalledProcessError:
        return None
    modulus = re.search(r"Modulus:\n((?:\s+[0-9a-f:]+\n)+)", dump).group(1)
    exponent = re.search(r"Exponent: (\d+)", dump).group(1)
    return int(re.sub(r"[\s:]", "", modulus), 16), int(exponent)


class PackageKeyTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.private = {}
        for bits, exponent in ((2048, 65537), (4096, 3)):
            cls.private[bits] = openssl("genpkey", "-quiet", "-algorithm", "RSA", "-pkeyopt",
                                        "rsa_keygen_bits:%d" % bits, "-pkeyopt",
                                        "rsa_keygen_pubexp:%d" % exponent)
        cls.public = openssl("pkey", "-pubout", data=cls.private[2048]).decode()

    def test_blob_holds_what_cryptoapi_verifies_an_openssl_signature_with(self):
        for bits, public_form in ((2048, "-pubout"), (2048, "-RSAPublicKey_out"), (4096, "-pubout")):
            with self.subTest(bits=bits, form=public_form), tempfile.TemporaryDirectory() as folder:
                key = os.path.join(folder, "private.pem")
                with open(key, "wb") as file:
                    file.write(self.private[bits])
                text = openssl("rsa", "-in", key, public_form).decode()
                blob = package_key.public_key_blob(*package_key.public_key_numbers(text))

                header = struct.unpack("<BBHIIII", blob[:20])
                label = "PUBLIC KEY" if public_form == "-pubout" else "RSA PUBLIC KEY"
                modulus, exponent = openssl_numbers(text, label)
                self.assertEqual((0x06, 2, 0, 0x2400, 0x31415352, bits, exponent), header)
                self.assertEqual(bits // 8, len(blob) - 20)
                # CryptoAPI reads the modulus little-endian ...
                self.assertEqual(modulus, int.from_bytes(blob[20:], "little"))

                package = os.urandom(5000)
                signature = openssl("dgst", "-sha256", "-sign", key, data=package)
                self.assertEqual(bits // 8, len(signature))
                # ... and the signature, so the file's bytes go in reversed.
                number = int.from_bytes(bytes(reversed(signature)), "little")
                padded = pow(number, exponent, modulus).to_bytes(bits // 8, "big")
                digest_info = SHA256_DIGEST_INFO + hashlib.sha256(package).digest()
                ones = bits // 8 - 3 - len(digest_info)
                self.assertEqual(b"\x00\x01" + b"\xff" * ones + b"\x00" + digest_info, padded)

    def test_the_build_stops_on_anything_but_a_usable_rsa_public_key(self):
        ec_private = openssl("genpkey", "-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:P-256")
        small = openssl("genpkey", "-quiet", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:2047")
        odd_2048 = (1 << 2047) + 1
        lines = self.public.splitlines()
        cases = [
            (self.private[2048].decode(), "this is a private key"),
            (openssl("pkey", "-pubout", data=small).decode(), "2047 bits"),
            (crafted_key((1 << 4096) + 1, 65537), "4097 bits"),
            (crafted_key(odd_2048, 1), "public exponent 1:"),
            (crafted_key(odd_2048, 65536), "public exponent 65536:"),
            (crafted_key(odd_2048, (1 << 32) + 1), "public exponent 4294967297:"),
            (openssl("pkey", "-pubout", data=ec_private).decode(), "not an RSA key"),
            ("", "no PEM block"),
            (self.public + self.public, "more than one PEM block"),
            ("\n".join(lines[:-1]), "no line -----END PUBLIC KEY-----"),
            ("\n".join(lines[:2] + ["#" + lines[2][1:]] + lines[3:]), "not Base64"),
            ("\n".join(lines[:-2] + lines[-1:]), "SubjectPublicKeyInfo: truncated"),
        ]
        with tempfile.TemporaryDirectory() as folder:
            key, output = os.path.join(folder, "key.pem"), os.path.join(folder, "key.cpp")
            for text, message in cases:
                with self.subTest(message=message):
                    with open(key, "w") as file:
                        file.write(text)
                    run = subprocess.run([sys.executable, os.path.join(TOOLS, "package_key.py"), key, output],
                                         capture_output=True, text=True)
                    self.assertEqual(1, run.returncode)
                    self.assertIn("package key %s: " % key, run.stderr)
                    self.assertIn(message, run.stderr)
                    self.assertFalse(os.path.exists(output))

    def test_accepts_only_what_openssl_reads_as_the_same_key(self):
        """Random damage to real key files: each is refused with a KeyFileError
        or read as the numbers openssl reads from it."""
        rsa_form = openssl("rsa", "-pubin", "-RSAPublicKey_out", data=self.public.encode()).decode()
        chance = random.Random(12)
        accepted = 0
        for round in range(300):
            label, der = package_key.pem_block(self.public if round % 2 else rsa_form)
            der = bytearray(der)
            for _ in range(chance.choice((1, 1, 2, 3))):
                # Mostly where the structure is: the first bytes and the exponent.
                at = chance.choice((chance.randrange(24), len(der) - 1 - chance.randrange(8),
                                    chance.randrange(len(der)))) % len(der)
                kind = chance.randrange(4)
                if kind == 0:
                    der[at] = chance.randrange(256)
                elif kind == 1:
                    der[at] ^= 1 << chance.randrange(8)
                elif kind == 2:
                    del der[at:]
                else:
                    der.insert(at, chance.randrange(256))
                if not der:
                    der.append(0x30)
            text = pem(label, bytes(der))
            try:
                numbers = package_key.public_key_numbers(text)
            except package_key.KeyFileError:
                continue
            accepted += 1
            self.assertEqual(openssl_numbers(text, label), numbers, der.hex())
        self.assertGreater(accepted, 30, "damage that leaves a key must be tried too")


if __name__ == "__main__":
    unittest.main()
