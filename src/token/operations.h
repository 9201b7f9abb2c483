// Cryptography inside the card: the RSA operation with a key object (what the protected-file
// and birth-number work uses), the card's SHA-1 digest, single and triple DES, and DES key
// and RSA key-pair generation. RSA always uses PKCS#1 v1.5 block padding with no hashing by
// the card: the bytes given are padded and transformed as they are. Every function works in a
// session the caller opened and returns a PKCS#11 value (CKR_OK for success).
#pragma once
#include "token/cryptoki.h"

namespace quervik {

inline constexpr int kRsaForward = 100;  // public key: encrypt; private key: sign
inline constexpr int kRsaReverse = 101;  // public key: recover signed data; private key: decrypt

inline constexpr int kDesEncrypt = 1;
inline constexpr int kDesDecrypt = 0;

// One RSA operation on the whole input with the key object, chosen by the key's class and the
// direction. *outputLength is the capacity of output in, the produced length out; the card
// works into a buffer of the key's size and the result must then fit the capacity
// (CKR_BUFFER_TOO_SMALL with the needed length otherwise). Reports: 202 (not an RSA key),
// 203 (unknown direction), 204-211 (the card refused the start or the operation; see
// messages). When the card cannot recover with a public key at all, the recovery runs in
// software on the key object's modulus and exponent, with the same result.
[[nodiscard]] CK_RV applyRsaKey(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE key, int direction,
                                const unsigned char* input, CK_ULONG inputLength, unsigned char* output,
                                CK_ULONG* outputLength);

// SHA-1 of the data on the card; hexOut (41 characters) receives it as upper-case hexadecimal
// and *digestLength its length (20). A failing call's value, without output.
[[nodiscard]] CK_RV digestOnToken(CK_SESSION_HANDLE session, const unsigned char* data, CK_ULONG length, char* hexOut,
                                  CK_ULONG* digestLength);

// DES or triple DES in ECB (by the key's type) on the card; the input is a whole number of
// 8-byte blocks, no padding. *outputLength: capacity in, length out. Reports 188/189 (the key
// type cannot be read), 190/191 and 192/193 (start / operation refused when encrypting /
// decrypting), 194 for a mode other than kDesEncrypt and kDesDecrypt (CKR_MECHANISM_INVALID).
[[nodiscard]] CK_RV desCryptOnToken(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE key, int mode,
                                    const unsigned char* input, CK_ULONG inputLength, unsigned char* output,
                                    CK_ULONG* outputLength);

// A session secret key of type CKK_DES, CKK_DES2 or CKK_DES3 labelled with the bare label,
// usable for encryption and decryption, holding keyValue (8, 16 or 24 bytes) or, without one,
// a value the card generated. *created receives it. No label: 195 and
// CKR_ATTRIBUTE_VALUE_INVALID; another key type: CKR_KEY_TYPE_INCONSISTENT. When the object
// cannot be created, prints "Nelze vytvorit objekt DES klice: <hex value>".
[[nodiscard]] CK_RV generateDesKey(CK_SESSION_HANDLE session, const char* label, const unsigned char* keyValue,
                                   CK_KEY_TYPE keyType, CK_OBJECT_HANDLE* created);

// An RSA key pair on the card (exponent 65537; 0 bits means 512) labelled "Verejny klic:" and
// "Privatni klic:" with the names. Reports 214 (a name missing), 215/216 (private/public label
// too long; CKR_ATTRIBUTE_VALUE_INVALID), 217 (the card refused; its value).
[[nodiscard]] CK_RV generateKeyPair(CK_SESSION_HANDLE session, CK_ULONG modulusBits, CK_OBJECT_HANDLE* publicKey,
                                    CK_OBJECT_HANDLE* privateKey, const char* publicName, const char* privateName);

}  // namespace quervik
