// Helpers for the protected-file tests: the hospital's and the centre's keys as the drivers
// take them, hashing-key blobs, and protected files built step by step with the openssl tool
// alone (the oracle our writer and readers are held against, and the only source of the
// version 1 and 3 files we read but never write).
#pragma once
#include <string>

#include "crypto_support.h"

namespace quervik::test {

// The hospital is keyMaterial()'s first key pair (certificate "CN=ABC Nemocnice"); the centre
// is its second ("CN=NRC Centrum").
struct ProtectKeys {
  std::string centrePrivateDer;  // PKCS#1 DER of the centre's private key
  std::string hospitalCertDer;   // DER of the hospital's certificate
  std::string hospitalPubDer;    // SubjectPublicKeyInfo DER of the hospital's public key
};
const ProtectKeys& protectKeys();

std::string hexOf(const std::string& bytes);
std::string base64Of(const std::string& bytes);           // one line, no line breaks
std::string underscoredBase64Of(const std::string& bytes);  // 64-character lines ended by "_"
std::string sha1Of(const std::string& bytes);              // by the openssl tool, 20 bytes

// 24 key bytes whose DES keys have odd parity and are not weak.
std::string goodDesKey();

// The tool's triple-DES ECB encryption of whole blocks.
std::string toolEncrypt(const std::string& keyHex, const std::string& blocks);

// The hospital's hashing-key blob: the key encrypted for the hospital's public key.
std::string hashKeyBlob(const std::string& key24);
// The check value of a hashing key encrypted for the centre, as a protected file carries it
// and as a reference for checkFileDEScrc is made.
std::string keyCheckBlockFor(const std::string& hashKey24);

struct ToolFile {
  std::string content;
  char version = '2';
  std::string dn;             // DN text (versions 2 and 3)
  std::string keyCheck;       // 128 bytes; zeros when empty
  std::string contentKey;     // 24 bytes; goodDesKey() when empty
  int padOverride = -1;       // written instead of the true pad count when 0..255
};
// A protected file of the version, made with the openssl tool only: the hospital signs, the
// centre is the addressee.
std::string toolProtectedFile(const ToolFile& plan);

}  // namespace quervik::test
