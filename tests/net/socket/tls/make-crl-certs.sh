#!/usr/bin/env bash
# Makes, in the DIR of make-certs.sh (whose test authority signs them), the certificates of the
# revocation cases, which name this run's ports: listed.pem and revoked.pem (for localhost, their
# revocation list at CRL-URL), the list itself in crl.der, which revokes revoked.pem, and
# unreachable.pem (for localhost, its list at CLOSED-URL, where nothing answers).
#   make-crl-certs.sh DIR CRL-URL CLOSED-URL
set -euo pipefail
cd "$1"
quiet() { "$@" 2>/dev/null; }
# Serial numbers of this run's own: Wine keeps what it learned of a certificate's revocation.
rm -rf crl-db && mkdir crl-db && : >crl-db/index.txt && echo "01$(openssl rand -hex 8)" >crl-db/serial
echo 1000 >crl-db/crlnumber
cat >crl-db/ca.cnf <<CNF
[ca]
default_ca = test
[test]
database = crl-db/index.txt
serial = crl-db/serial
crlnumber = crl-db/crlnumber
new_certs_dir = crl-db
default_md = sha256
default_days = 30
default_crl_days = 30
policy = anything
unique_subject = no
[anything]
commonName = supplied
CNF
ca() { quiet openssl ca -batch -config crl-db/ca.cnf -cert ca.pem -keyfile ca.key "$@"; }
# Elliptic-curve keys: made in no time, each run.
for name in listed revoked unreachable; do
  url=$2
  [ "$name" = unreachable ] && url=$3
  quiet openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout "$name.key" -out "$name.csr" \
    -subj "/CN=localhost"
  printf 'subjectAltName=DNS:localhost\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\ncrlDistributionPoints=URI:%s\n' \
    "$url" >"$name.ext"
  ca -in "$name.csr" -out "$name.pem" -extfile "$name.ext" -notext
done
ca -revoke revoked.pem
ca -gencrl -out crl.pem
openssl crl -in crl.pem -outform der -out crl.der
