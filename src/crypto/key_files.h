// Certificates and keys outside the card: read from PEM files (the key files of the
// hospital and of the receiving centre), parsed from DER bytes in memory (base64 keys, card
// objects), and an RSA public key written as a PEM file. The token layer uses these to bring
// certificates and public keys onto the card; the protected-file and birth-number work uses
// them through the RSA request (rsa.h).
#pragma once
#include <cstddef>

#include "crypto/ossl_ptr.h"

namespace quervik {

// The only file format the readers take.
inline constexpr int kPemFormat = 3;

// Each reader returns the parsed object or null after reporting its code: no file name
// (240/244/248), no stream (241/245/249), the file cannot be opened (242/246/250), nothing of
// the kind could be read from it, any format other than kPemFormat included (243/247/251).
X509Ptr readCertificatePem(const char* fileName, int format);
// An encrypted key takes its password from readPassword (password.h) with the given password
// and the prompt " heslo klice:"; a wrong password, or the console input ending, gives 247.
EvpPkeyPtr readPrivateKeyPem(const char* fileName, int format, const char* password);
// A SubjectPublicKeyInfo ("PUBLIC KEY") or PKCS#1 ("RSA PUBLIC KEY") PEM file; a certificate
// file is not a public key (251).
EvpPkeyPtr readPublicKeyPem(const char* fileName, int format);

// DER in memory: a certificate, a SubjectPublicKeyInfo, a private key in PKCS#1 or PKCS#8
// form. Null when the bytes do not parse (nothing is reported; the error queue is drained).
X509Ptr parseCertificateDer(const unsigned char* der, size_t length);
EvpPkeyPtr parsePublicKeyDer(const unsigned char* der, size_t length);
EvpPkeyPtr parsePrivateKeyDer(const unsigned char* der, size_t length);

// Builds an RSA public key from its big-endian modulus and exponent and writes it to the file
// as a "PUBLIC KEY" PEM. 0, or -1 after printing "Chyba:%d\n" with the failing step: -100 no
// key could be built, -101 the modulus or exponent is empty or does not convert, -102 no file
// stream, -103 the file cannot be opened for writing, -104 the PEM could not be written.
int writeRsaPublicKeyPem(const unsigned char* modulus, int modulusLength, const unsigned char* exponent,
                         int exponentLength, const char* fileName);

// An RSA public key from its big-endian modulus and exponent; null when they do not make one
// (error queue drained, nothing reported).
EvpPkeyPtr rsaPublicKeyFromParts(const unsigned char* modulus, size_t modulusLength, const unsigned char* exponent,
                                 size_t exponentLength);

// Writes the certificate to the file as PEM: 0, or -1 when the file cannot be opened or
// written (nothing reported). Both writers' files appear only whole (a file they replace stays
// until then); a device named as the file is written into and never removed.
int writeCertificatePem(const X509* certificate, const char* fileName);

}  // namespace quervik
