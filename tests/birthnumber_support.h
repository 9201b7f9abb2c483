// Helpers for the birth-number tests: DRG batches with chosen birth numbers, the keys of the
// three parties (the hospital's hashing-key blob, the DRG centre's and the trust centre's key
// pairs), coded numbers computed independently (the openssl tool encrypts, OpenSSL's digest
// is called directly) and the records of a coded batch taken apart.
#pragma once
#include <string>
#include <vector>

#include "protect_support.h"

namespace quervik::test {

// The trust centre's 1024-bit key pair (certificate "CN=TC Duveryhodne centrum", serial 0x54).
struct TrustCentreKeys {
  std::string keyPem = scratch() / "tc_key.pem", keyPkcs1Der = scratch() / "tc_key.der";
  std::string pubPem = scratch() / "tc_pub.pem", pubDer = scratch() / "tc_pub.der";
  std::string certPem = scratch() / "tc_cert.pem", certDer = scratch() / "tc_cert.der";
};
const TrustCentreKeys& trustCentreKeys();

// A B record of 124 characters: columns 1-83 made from the document number, then the birth
// number left-aligned in the 41-character patient identification field.
std::string bRecord(int document, const std::string& birthNumber);
inline const std::string kARecord = "A12345678" + std::string(20, '1');  // 29 characters
inline const std::string kCRecord = "C01" + std::string(73, '0');       // 76 characters

// The coded numbers of birth numbers (9 or 10 characters, or what a short record holds) under
// a hashing key: the tool encrypts the blocks, SHA-1 comes from OpenSSL's digest directly.
std::vector<std::string> oracleCodes(const std::string& hashKey24, const std::vector<std::string>& numbers);
std::string oracleCode(const std::string& hashKey24, const std::string& number);

// The birth number a recovery identifier carries, decrypted by the tool with the session key.
std::string toolBirthNumberOf(const std::string& sessionKey24, const std::string& identifier);

// A coded batch taken apart: the copied lines, the X record and the Y records.
struct CodedBatch {
  std::vector<std::string> lines;  // the input's lines as written
  std::string keyRecord;           // empty without one
  std::vector<std::string> identifierRecords;
};
CodedBatch splitCodedBatch(const std::string& text);

// The session key of an X record, rebuilt with the tool: share A opened with the DRG centre's
// private key (keyMaterial().otherKeyPem), share B with the trust centre's.
std::string toolSessionKeyOf(const std::string& keyRecord);

// Every file under the directory (recursively) whose content holds one of the texts.
std::vector<std::string> filesHolding(const std::string& dir, const std::vector<std::string>& texts);

}  // namespace quervik::test
