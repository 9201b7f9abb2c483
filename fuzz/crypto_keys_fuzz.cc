// Fuzz target: arbitrary bytes as DER and PEM certificates and keys, through the readers, the
// RSA request and the DN text. Nothing may crash, leak or leave errors queued.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "crypto/certificate.h"
#include "crypto/key_files.h"
#include "crypto/rsa.h"
#include "fuzz_temp.h"

using namespace quervik;

QUERVIK_FUZZ_TARGET(const uint8_t* data, size_t size) {
  static const std::string path = fuzz::tempPath("key");
  if (X509Ptr cert = parseCertificateDer(data, size)) {
    if (certificateDnText(cert.get()).size() > kMaxDnText) std::abort();
  }
  const unsigned char block[128] = {0, 1};
  for (int command : {kRsaPublicEncrypt, kRsaPrivateDecrypt, kRsaCertificateEncrypt, kRsaCertificateRecoverBlock,
                      kRsaPrivateSign, kRsaPublicRecover}) {
    RsaRequest r;
    r.publicSource = r.privateSource = data;
    r.publicLength = r.privateLength = static_cast<int32_t>(size);
    r.input = block;
    r.inputLength = sizeof block;
    if (size > 0 && performRsaRequest(r, command) == 0 && r.output.size() != size_t(r.outputLength)) std::abort();
  }
  fuzz::writeFile(path, fuzz::text(data, size));
  if (X509Ptr cert = readCertificatePem(path.c_str(), kPemFormat)) certificateDnText(cert.get());
  readPublicKeyPem(path.c_str(), kPemFormat);
  readPrivateKeyPem(path.c_str(), kPemFormat, "heslo");
}
