// RSA with keys on the card, named the way the callers name them: by the label of a key
// object, or by a certificate (its label or a fragment of its subject), whose public key or
// whose private key (the one with the certificate's CKA_ID) does the work. Also the subject
// DN of the user's certificate. Everything runs in the open card session (token/session.h):
// the caller opens it with openToken and closes it with closeToken.
#pragma once
#include "token/cryptoki.h"

#include <cstddef>
#include <optional>
#include <string>

namespace quervik {

// Which key of a certificate: its public key, or the private key that shares its CKA_ID.
enum CertificateKey : int { kCertificatePublicKey = 0, kCertificatePrivateKey = 1 };

// Every helper: *outputLength is the capacity of output in and the produced length out (the
// card works into a buffer of the key's size, the result must then fit the capacity). A
// forward operation (encrypt...) with a private key signs; a reverse one (decrypt...) with a
// public key recovers signed data.
//
// By certificate: the object labelled with the name, else the first certificate whose DN
// text contains the name in any letter case. 0; -1 no such certificate (235 with the name)
// or an attribute of a found object could not be read (261); -2 no key for it or an unknown
// mode (236 with the name); -3 the RSA operation failed (222).
[[nodiscard]] int encryptWithCertificate(int mode, const unsigned char* input, size_t inputLength,
                                         unsigned char* output, size_t* outputLength, const char* certificateName);
[[nodiscard]] int decryptWithCertificateKey(int mode, const unsigned char* input, size_t inputLength,
                                            unsigned char* output, size_t* outputLength, const char* certificateName);

// By the label of a key object. 0; -1 no object with the label (221 with it); -2 the RSA
// operation failed (222).
[[nodiscard]] int encryptWithPublicKeyLabel(const unsigned char* input, size_t inputLength, unsigned char* output,
                                            size_t* outputLength, const char* label);
[[nodiscard]] int decryptWithPrivateKeyLabel(const unsigned char* input, size_t inputLength, unsigned char* output,
                                             size_t* outputLength, const char* label);

// The size in bits of the RSA key that the name stands for, found as the operations above find
// it: by certificate (its label or a fragment of its subject) or by a key object's label. 0 when
// nothing is found or the size cannot be read; nothing is reported but a missing name (220).
int cardKeyBits(const char* name, bool byCertificate);

// The DN text of the first certificate on the card whose DN text contains the pattern in any
// letter case, cut at maxLength characters; none when no certificate matches (nothing is
// reported).
std::optional<std::string> findUserDN(const char* pattern, size_t maxLength);

}  // namespace quervik
