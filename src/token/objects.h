// Objects on the card: finding them by name or by a fragment of a certificate's subject,
// reading their attributes, creating data objects, certificates and public keys, exporting
// and destroying them. Certificates, public keys and private keys carry a label made of a
// class prefix and a short name; data objects and secret keys carry the bare name. Every
// function works in a session the caller opened (openToken) and returns a PKCS#11 value
// (CKR_OK for success) unless it says otherwise.
#pragma once
#include <openssl/evp.h>
#include <openssl/x509.h>
#include <cstddef>
#include <optional>
#include <vector>

#include "token/cryptoki.h"

namespace quervik {

inline constexpr const char* kCertificatePrefix = "Certifikat:";
inline constexpr const char* kPublicKeyPrefix = "Verejny klic:";
inline constexpr const char* kPrivateKeyPrefix = "Privatni klic:";
// A prefixed label plus one may not exceed this: a full label has at most 29 characters.
inline constexpr size_t kMaxLabelRoom = 30;
// Every search looks at no more than this many objects.
inline constexpr CK_ULONG kMaxSearchedObjects = 30;

// The values the layer answers with itself.
inline constexpr CK_RV kNoMatch = CKR_ATTRIBUTE_VALUE_INVALID;       // 0x13: bad argument, no match
inline constexpr CK_RV kNameNotFound = CKR_DATA_INVALID;             // 0x20: no object has the name
inline constexpr CK_RV kNoObjects = CKR_KEY_HANDLE_INVALID;          // 0x60: the search found nothing
inline constexpr CK_RV kAttributeUnreadable = CKR_OBJECT_HANDLE_INVALID;  // 0x82: a found object's
                                                                     // attributes could not be read

// True when prefix + name + 1 fits the label room.
bool labelFits(const char* prefix, const char* name);

struct RsaPublicParts {
  std::vector<unsigned char> modulus;   // big-endian, no leading zero byte
  std::vector<unsigned char> exponent;  // the same
};

// The first of the first 30 objects whose label is the name (certificates, public and private
// keys: the class prefix and the name). No name: 220 and kNoMatch; nothing found at all:
// kNoObjects; no match: kNameNotFound; an object whose label or class cannot be read stops
// the scan with kAttributeUnreadable. On success *found is the object.
[[nodiscard]] CK_RV findObjectByLabel(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE* found, const char* name);

// The first of the first 30 certificates whose DN text (crypto/certificate.h) contains the
// pattern in any letter case; certificates that cannot be read are skipped. CKR_OK with
// *found set and, when dnOut is given, at most dnOutSize - 1 characters of the DN text in it
// (terminated); kNoObjects when there are no certificates; kNoMatch otherwise.
[[nodiscard]] CK_RV findCertificateByDn(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE* found, const char* pattern,
                                        char* dnOut, size_t dnOutSize);

// The private key whose CKA_ID is the object's. When there is none *found is 0 (no object)
// and the result is still the search's own value; the key operation that follows then fails.
[[nodiscard]] CK_RV findPrivateKeyById(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object, CK_OBJECT_HANDLE* found);

// CKR_OK when the object has the class and key type; kNoMatch when it has others; the
// module's value when its class cannot be read.
[[nodiscard]] CK_RV checkKeyClass(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object, CK_OBJECT_CLASS wantedClass,
                                  CK_KEY_TYPE wantedKeyType);

// The length of the object's CKA_VALUE, or -1 when it cannot be read.
long getObjectValueLength(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object);
// CKA_VALUE into the buffer of length bytes; the module's value.
[[nodiscard]] CK_RV getObjectValue(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object, unsigned char* buffer,
                                   CK_ULONG length);

// A private data object on the card with the bare name as label. With length 1 or more,
// valueOrFile is the value; with 0 or less it names a file whose whole content is the value:
// -49 its size is unknown, -50 it cannot be opened, -51 it cannot be read (the card is not
// touched then). Otherwise the value of C_CreateObject (kNoMatch without a name or without
// any value bytes).
[[nodiscard]] long createDataObject(CK_SESSION_HANDLE session, const char* name, const void* valueOrFile,
                                    long length);

// Stores a certificate as "Certifikat:<name>": from certFile (PEM) when one is named, else the
// given one (it stays the caller's). kNoMatch when there is none (the reader reported), when
// the name is too long (183), when its DER or its serial number's cannot be made (184, 185), or
// when the card refuses it (186).
[[nodiscard]] CK_RV importCertificate(CK_SESSION_HANDLE session, const char* certFile, const X509* certificate,
                                      const char* name);

// A private RSA public-key object on the card with the label and the parts.
[[nodiscard]] CK_RV createPublicKeyObject(CK_SESSION_HANDLE session, const RsaPublicParts& parts, const char* label);

// Stores the PEM public key of keyFile as "Verejny klic:<name>". kNoMatch when the name is too
// long (187), or the key cannot be read or taken apart (already reported).
[[nodiscard]] CK_RV importPublicKey(CK_SESSION_HANDLE session, const char* keyFile, const char* name);

// A session public-key object (gone when the session closes) made from the certificate
// object's key, under the certificate's own label; *created receives it. The module's value
// when the certificate cannot be read (219 when the lengths came but the values did not);
// 218 and kNoMatch when its value does not parse; kNoMatch when its key has no RSA parts.
[[nodiscard]] CK_RV publicKeyFromCertificate(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE certificate,
                                             CK_OBJECT_HANDLE* created);

// The modulus and exponent of an RSA key. None after 180 (no key), 181 (no modulus) or 182
// (no exponent, with the name).
std::optional<RsaPublicParts> rsaPartsFromKey(const EVP_PKEY* key, const char* name);

// Writes the key object's modulus and exponent to the file as a PEM public key and prints
// "Public key \"<file>\" vyexportovan v PEM fomatu\n". Failure reports 213 with the file name:
// the module's value when the attributes cannot be read, else CKR_FUNCTION_FAILED.
[[nodiscard]] CK_RV exportPublicKey(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE key, const char* fileName);

// Destroys every object whose label is exactly the text (no prefix added). kNoMatch without a
// label. The first failing call's value (the search's start, a destruction), else the value of
// C_FindObjectsFinal; no object with the label is success.
[[nodiscard]] CK_RV destroyObjectsByLabel(CK_SESSION_HANDLE session, const char* label);
[[nodiscard]] CK_RV destroyObject(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object);
// Destroys every object the session sees, printing "." after each; the same results as above.
[[nodiscard]] CK_RV destroyAllObjects(CK_SESSION_HANDLE session);

// Writes the certificate object to the file as PEM. The module's value when its value cannot
// be read; kNoMatch when it does not parse or the file cannot be written.
[[nodiscard]] CK_RV exportCertificate(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE certificate, const char* fileName);

}  // namespace quervik
