#!/bin/sh
# serve_flow_packages.sh KEY RECORDER ROOT COMMAND...
# Lays out in ROOT what nginx serves to the update flow test, then runs
# COMMAND. The package is the recording installer RECORDER padded to 1 MiB;
# each package is signed with KEY (the build's private key) the way a
# publisher signs, into "<package>.sig" beside it. refused/ holds packages
# whose signature the updater must refuse; links/ the folder links of the
# test's retargeted start.
set -eu
key=$1 recorder=$2 root=$3
shift 3
sign() {
    openssl dgst -sha256 -sign "$2" -out "$root/$1.sig" "$root/$1"
}
rm -rf "$root"
mkdir -p "$root/slow" "$root/flaky" "$root/refused"
cp "$recorder" "$root/wxbry5.exe"
truncate -s 1M "$root/wxbry5.exe"
sign wxbry5.exe "$key"
mkdir -p "$root/flakysig" "$root/slowsig" "$root/links/real" "$root/links/impostor"
for name in slow/wxbry5.exe slow/left.exe slow/outsider.exe flaky/wxbry5.exe flakysig/wxbry5.exe \
    slowsig/wxbry5.exe refused/flipped.exe; do
    cp "$root/wxbry5.exe" "$root/$name"
    cp "$root/wxbry5.exe.sig" "$root/$name.sig"
done
# A package folder that is a link, and another program to point it to.
ln -s real "$root/links/package"
cp "$recorder" "$root/links/impostor/wxbry5.exe"
cp "$root/wxbry5.exe.sig" "$root/links/impostor/wxbry5.exe.sig"
# No program: text under a program's name.
head -c 4096 /dev/zero | tr '\0' n >"$root/notes.exe"
sign notes.exe "$key"

# Changed after signing: its last byte, a zero of the padding, made 1.
printf '\001' | dd of="$root/refused/flipped.exe" bs=1 seek=1048575 conv=notrunc status=none
# Signed by a second key, made here and dropped.
other=$(mktemp)
openssl genpkey -quiet -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$other"
cp "$root/wxbry5.exe" "$root/refused/other_key.exe"
sign refused/other_key.exe "$other"
rm -f "$other"
# Without a signature (nginx answers 404), with an empty one, with 20 KiB.
for name in unsigned empty_sig long_sig; do
    cp "$root/wxbry5.exe" "$root/refused/$name.exe"
done
: >"$root/refused/empty_sig.exe.sig"
head -c 20480 /dev/zero | tr '\0' x >"$root/refused/long_sig.exe.sig"
exec "$@"
