// The certificate request of a key pair made on the card: what the hospital sends its trust
// centre, which answers with the certificate that `card load-cert --key` then puts beside the
// pair. The request is signed on the card; the private key never leaves it.
#pragma once
#include <p11-kit/pkcs11.h>

namespace quervik {

// A PKCS#10 request (SHA-256 with RSA) for the key pair NAME ("Privatni klic:NAME" on the card,
// whose modulus and exponent are the request's public key), with the subject written
// "/C=CZ/O=Nemocnice/CN=ABC" (UTF-8 values), written as PEM to fileName. In the caller's
// logged-in session. 0; -1 the subject does not read as "/FIELD=value..." with known fields;
// -2 no private key of that name, or its public parts cannot be read; -3 the card did not
// sign (its report); -4 the request could not be made or written.
[[nodiscard]] int writeCertificateRequest(CK_SESSION_HANDLE session, const char* keyName, const char* subject,
                                          const char* fileName);

}  // namespace quervik
