#!/usr/bin/env bash
# Makes the TLS tests' certificates in DIR: a test authority (ca.pem, ca.der) and, each with its
# key, localhost.pem (signed by it, for localhost and 127.0.0.1), other-name.pem (signed by it,
# for another name), expired.pem (signed by it, for localhost, valid only in 2020),
# self-signed.pem (for localhost, signed by itself), chained.pem (for localhost, signed by an
# intermediate authority that the server must send along) and chained-full.pem (the same with
# the intermediate after it), proxied.pem (signed by it, for quorvane-proxied.invalid, a name that
# only the proxy tests' squid resolves), cn-only.pem (signed by it, localhost in its subject's
# common name only, no subjectAltName).
#   make-certs.sh DIR
set -euo pipefail
dir=$1
mkdir -p "$dir"
cd "$dir"
# Marked made with the last certificate's name: a folder made before it was added is made again.
[ -f made-cn-only ] && exit 0

quiet() { "$@" 2>/dev/null; }
quiet openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 3650 \
  -subj "/CN=Quorvane Test Authority" -addext "basicConstraints=critical,CA:TRUE" \
  -addext "keyUsage=critical,keyCertSign,cRLSign"
openssl x509 -in ca.pem -outform der -out ca.der

# leaf NAME SUBJECT-ALT-NAMES [ca arguments...]: a server certificate signed by the test authority.
leaf() {
  local name=$1 san=$2; shift 2
  quiet openssl req -newkey rsa:2048 -nodes -keyout "$name.key" -out "$name.csr" -subj "/CN=${san#DNS:}"
  printf 'subjectAltName=%s\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n' "$san" >"$name.ext"
  "$@" "$name"
}
sign_now() {
  quiet openssl x509 -req -in "$1.csr" -CA ca.pem -CAkey ca.key -CAcreateserial -days 825 -extfile "$1.ext" -out "$1.pem"
}
# openssl x509 cannot date a certificate in the past; the ca command can, with a small database.
sign_2020() {
  mkdir -p ca-db && : >ca-db/index.txt && echo 1000 >ca-db/serial
  cat >ca-db/ca.cnf <<CNF
[ca]
default_ca = test
[test]
database = ca-db/index.txt
serial = ca-db/serial
new_certs_dir = ca-db
default_md = sha256
policy = anything
unique_subject = no
[anything]
commonName = supplied
CNF
  quiet openssl ca -batch -config ca-db/ca.cnf -cert ca.pem -keyfile ca.key -in "$1.csr" -out "$1.pem" \
    -startdate 20200101000000Z -enddate 20201231000000Z -extfile "$1.ext" -notext
}
sign_by_intermediate() {
  quiet openssl x509 -req -in "$1.csr" -CA intermediate.pem -CAkey intermediate.key -CAcreateserial -days 825 \
    -extfile "$1.ext" -out "$1.pem"
}
quiet openssl req -newkey rsa:2048 -nodes -keyout intermediate.key -out intermediate.csr -subj "/CN=Quorvane Test Intermediate"
printf 'basicConstraints=critical,CA:TRUE\nkeyUsage=critical,keyCertSign,cRLSign\n' >intermediate.ext
quiet openssl x509 -req -in intermediate.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 825 -extfile intermediate.ext \
  -out intermediate.pem
leaf chained "DNS:localhost" sign_by_intermediate
cat chained.pem intermediate.pem >chained-full.pem
cp chained.key chained-full.key
leaf localhost "DNS:localhost,IP:127.0.0.1" sign_now
leaf other-name "DNS:other.quorvane.test" sign_now
leaf proxied "DNS:quorvane-proxied.invalid" sign_now
leaf expired "DNS:localhost" sign_2020
quiet openssl req -x509 -newkey rsa:2048 -nodes -keyout self-signed.key -out self-signed.pem -days 825 \
  -subj "/CN=localhost" -addext "subjectAltName=DNS:localhost"
quiet openssl req -newkey rsa:2048 -nodes -keyout cn-only.key -out cn-only.csr -subj "/CN=localhost"
printf 'extendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n' >cn-only.ext
sign_now cn-only
touch made-cn-only
