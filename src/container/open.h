// Opening protected files (protected_file.h) at the receiving centre: decrypting and
// verifying them (the host's unsignFile and unsignFileBase64Keys, "quervik open"), reading the
// sender's DN (getFileDN, "quervik dn") and telling whether a file was made with a given
// hashing key (checkFileDEScrc, "quervik check-key").
#pragma once
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace quervik {

// Decrypts inputFile into outputFile (standard output when null) and checks its digest.
// slot: decimal card slot, null for keys outside the card.
//   privateSource  the centre's private key: the card name of the key object, else a PEM file
//                  (privateLength <= 0) or privateLength DER bytes
//   publicSource   the sender's key, certificate (keyType 1) or public key (0): card name,
//                  PEM file or publicLength DER bytes
//   pin            the card PIN or the password of the private-key file
// 0 when the content is verified and in place. 1 on failure (501, 502, 166 or 167 for a
// damaged layout, 90003 after a "chyba ..." line on standard output, the card's codes, 165 for
// an unusable content key, 90004 when the digest differs, none when interrupted). A named
// output appears only after the digest matched; on failure it does not appear and an existing
// file of that name is left as it was. Standard output receives the content as it is
// decrypted. 2 for a key type other than 0 and 1.
int openProtectedFile(const char* inputFile, const char* outputFile, const char* slot, const void* privateSource,
                      int32_t privateLength, const void* publicSource, int32_t publicLength, int keyType,
                      const char* pin);

// unsignFileBase64Keys: each key text with a length of 0 or less names a file that must exist
// and be non-empty; with a greater length it is the base64 of a DER key of at most that many
// bytes. -1 when a key cannot be had (missing or empty file, bad base64, too long); the input
// is not opened then. Otherwise the result of openProtectedFile with the decoded keys.
int openProtectedFileWithBase64Keys(const char* inputFile, const char* outputFile, const char* slot,
                                    const char* privateKey, const char* privateKeyLength, const char* publicKey,
                                    const char* publicKeyLength, const char* keyType, const char* password);

// getFileDN: the sender's DN text stored in the file, whatever its version; none when the file
// cannot be opened or its DN field is not valid.
std::optional<std::string> protectedFileDn(const char* fileName);
// Whether the file has the layout of a protected file of any version (nothing is reported).
bool isProtectedFile(const char* fileName);

// Compares the file's key check block with a reference check value, both decrypted with the
// addressee's private key (privateSource/privateLength as for openProtectedFile). The reference
// is referenceLength bytes, or with referenceLength 0 or less a file of at most 128 bytes.
// 0 when they are equal; -1 when their lengths differ; 1 when the key check block cannot be
// read; 2 when a decryption fails (after "chyba PRIV ..." or "chyba DES ..." on standard
// output) or the reference file cannot be read; otherwise the non-zero byte comparison.
int checkHashKeyBlock(FILE* file, const void* reference, int32_t referenceLength, const void* privateSource,
                      int32_t privateLength, const char* password);

// checkFileDEScrc: the reference is "_"-separated base64 (at most 256 bytes once decoded); the
// third argument is not used. -1 when the file cannot be opened, the reference is empty, too
// long or not base64, or the key length names more bytes than the key text has; else the
// result of checkHashKeyBlock.
int checkFileHashKey(const char* fileName, const char* reference, const char* privateKey,
                     const char* privateKeyLength, const char* password);

}  // namespace quervik
