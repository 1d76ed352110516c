#!/usr/bin/env bash
# Makes the certificates the test station serves over TLS, in DIR:
#   ca.pem          the test authority (installed as trusted in the test Wine prefix)
#   good.pem        localhost, issued by the test authority (certificate + key)
#   wronghost.pem   wrong.example, issued by the test authority
#   untrusted.pem   localhost, issued by another authority that nobody trusts
# Made afresh for each test run (they are valid for a few days), never committed.
set -euo pipefail
dir=$1
mkdir -p "$dir"
cd "$dir"
days=7

authority() {  # authority NAME SUBJECT
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.pem" -days "$days" \
    -subj "/CN=$2" -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
}

server() {  # server NAME HOST AUTHORITY
  openssl req -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" -subj "/CN=$2" 2>/dev/null
  printf 'subjectAltName=DNS:%s\nbasicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature,keyEncipherment\nextendedKeyUsage=serverAuth\n' "$2" > "$1.ext"
  openssl x509 -req -in "$1.csr" -CA "$3.pem" -CAkey "$3.key" -CAcreateserial -days "$days" \
    -extfile "$1.ext" -out "$1.crt" 2>/dev/null
  cat "$1.crt" "$1.key" > "$1.pem"
  rm -f "$1.csr" "$1.ext" "$1.crt" "$1.key"
}

authority ca "Volnar Test Authority"
authority other "Unknown Test Authority"
server good localhost ca
server wronghost wrong.example ca
server untrusted localhost other
rm -f ca.key other.key other.pem ./*.srl
