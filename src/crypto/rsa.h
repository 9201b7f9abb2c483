// One RSA operation with a key taken from a file, from DER bytes or from a certificate: the
// path without a card of the protected-file and birth-number work (the hospital's private key
// in a password-protected PEM file, the receiving centre's certificate or public key).
// Also the software recovery of signed data from a bare modulus and exponent, used when a
// card cannot recover with its public key itself.
#pragma once
#include <cstdint>

#include "crypto/ossl_ptr.h"
#include "crypto/secure_bytes.h"

namespace quervik {

// The commands of performRsaRequest.
enum RsaCommand : int {
  kRsaPublicEncrypt = 0,               // public key (publicSource): encrypt
  kRsaPrivateDecrypt = 1,              // private key (privateSource, password): decrypt
  kRsaPublicRecoverBlock = 3,          // public key: recover signed data, whole key-size block
  kRsaCertificateEncrypt = 4,          // certificate (publicSource): encrypt
  kRsaCertificateRecoverBlock = 5,     // certificate (publicSource): recover, whole block
  kRsaGivenCertificateEncrypt = 6,     // request.certificate: encrypt
  kRsaGivenCertificateRecoverBlock = 7,  // request.certificate: recover, whole block
  kRsaFinish = 11,                     // finishing step: does nothing
  kRsaPrivateSign = 12,                // private key: PKCS#1 type 1 signature of the raw input
  kRsaPublicRecover = 13,              // public key: recover signed data of inputLength bytes
};

inline constexpr uint8_t kRsaPkcs1Padding = 1;

// A source is a PEM file name when its length is 0 or less, else that many DER bytes (a
// certificate, a SubjectPublicKeyInfo, or a PKCS#1 or PKCS#8 private key).
struct RsaRequest {
  const void* publicSource = nullptr;
  int32_t publicLength = 0;
  const void* privateSource = nullptr;
  int32_t privateLength = 0;
  const char* password = nullptr;  // of an encrypted private-key file (see password.h)
  X509Ptr certificate;             // commands 6 and 7; the request consumes it
  const unsigned char* input = nullptr;
  int32_t inputLength = 0;         // bytes readable at input
  SecureBytes output;              // what the operation produced (decrypted data stays secret)
  int32_t outputLength = 0;
  uint8_t padding = kRsaPkcs1Padding;
};

// Runs one command. 0 on success, output and outputLength filled. -1 no key from the named
// source, or an unknown command (90001, after the reader's own code for a file); -2 the key
// is not RSA (90002); -3 the operation produced nothing: wrong key, bad padding, input too long
// (90003). Commands 3, 5 and 7 take exactly one key-size block: inputLength becomes the key
// size, and an input shorter than the key is refused (-3) rather than read past its end.
// Command 11 returns 0 and touches nothing. PKCS#1 v1.5 decryption never answers bad padding
// with made-up bytes. Certificates (also request.certificate) are freed once their key is
// taken. The request can be reused; output is replaced by each command that runs.
[[nodiscard]] int performRsaRequest(RsaRequest& request, int command);

// Recovers data signed with PKCS#1 v1.5 type 1 padding using the RSA public key made of the
// big-endian modulus and exponent. True with out holding the data; false (error queue
// drained, nothing reported) for a bad signature, a wrong length or a key that cannot be made.
bool rsaRecoverWithPublicParts(const unsigned char* modulus, size_t modulusLength, const unsigned char* exponent,
                               size_t exponentLength, const unsigned char* input, size_t inputLength,
                               SecureBytes& out);

}  // namespace quervik
