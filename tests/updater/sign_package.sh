#!/bin/sh
# sign_package.sh KEY PACKAGE FOLDER COMMAND...
# Signs a fresh copy of PACKAGE with openssl into FOLDER, the way a publisher
# does: package.exe and package.exe.sig by KEY (the build's private key),
# other_key.sig by a second key made here. Then runs COMMAND.
set -eu
key=$1 package=$2 folder=$3
shift 3
rm -rf "$folder"
mkdir -p "$folder"
cp "$package" "$folder/package.exe"
openssl dgst -sha256 -sign "$key" -out "$folder/package.exe.sig" "$folder/package.exe"
openssl genpkey -quiet -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$folder/other_key.pem"
openssl dgst -sha256 -sign "$folder/other_key.pem" -out "$folder/other_key.sig" "$folder/package.exe"
exec "$@"
