// trustca: adds a certificate authority to the current user's trusted roots
// (the Current User "Root" store), as a user does on Windows with the
// certificate import wizard. The tests use it to make their own test authority
// trusted in their Wine prefix; the program itself never changes any store.
//
//   trustca CA.pem     exit 0 when the authority is in the store afterwards
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: trustca CA.pem\n");
    return 1;
  }
  FILE* f = fopen(argv[1], "rb");
  if (!f) {
    fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  std::string pem;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) pem.append(buffer, n);
  fclose(f);
  DWORD size = 0;
  if (!CryptStringToBinaryA(pem.c_str(), DWORD(pem.size()), CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr,
                            nullptr)) {
    fprintf(stderr, "not a PEM certificate\n");
    return 1;
  }
  std::vector<BYTE> der(size);
  CryptStringToBinaryA(pem.c_str(), DWORD(pem.size()), CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr,
                       nullptr);
  HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
  if (!store) {
    fprintf(stderr, "cannot open the Root store: %lu\n", GetLastError());
    return 1;
  }
  const BOOL ok = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), size,
                                                   CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  if (!ok) fprintf(stderr, "cannot add the certificate: %lu\n", GetLastError());
  CertCloseStore(store, 0);
  return ok ? 0 : 1;
}
