// recover: the receiving centre's side of desRc. When a hospital's hashing key is replaced,
// every coded birth number the centre holds must be translated into the code under the new
// key without a birth number ever being stored. The input is an X record followed by Y records
// as desRc writes them: the session key of the X record is rebuilt from its two shares (share A
// opened with the centre's private key, share B with the trust centre's private key on the
// card), each Y record's recovery identifier is decrypted with it and the birth number coded
// again under the new key. Each output line pairs the old code with the new one and is flushed
// at once, so a failure leaves a usable prefix. Called by the recover export and by
// `quervik recover`.
#pragma once
#include <cstdint>
#include <string_view>

namespace quervik {

// The columns of an input record, as views into its line.
struct RecoverRecord {
  std::string_view shareA, shareB;          // X: the encrypted shares, "_"-lined base64
  std::string_view oldCode, identifier;     // Y: the coded number and the recovery identifier
};

// Takes the columns of an X record ("RSA1": "X" and 175 characters, "RSA2": exactly 175 more)
// or of a Y record ("Stary unikatni SHA1 hash rc v DB": "Y" and 40 characters, "RI
// identifikator": exactly 24 more). Every column that does not fit is reported (7900 with the
// line number, then 8000 with the column's title) and the next is tried. 0 when all fit, else
// minus the number that did not; -2 at once, without a report, for an empty line.
int parseKeyRecord(std::string_view line, int64_t lineNumber, RecoverRecord& record);
int parseIdentifierRecord(std::string_view line, int64_t lineNumber, RecoverRecord& record);

// Arguments as the export receives them: input, output (created or truncated), the centre's
// private key (a PEM file, or, when its length text is positive, that many DER bytes of the
// text itself) with its password, the new hashing key's file (its first 24 bytes are the key;
// its length text is not used), the trust centre's certificate on the card (label or part of
// its subject), the card's slot and PIN.
//
// 0 success. -1 when an argument is null (nothing done, nothing reported), when a file cannot
// be opened or read or both name the same file (nothing reported, the input left as it was),
// when interrupted, and after the reports of a failed line: 7900 with the line number before
// each of 8000-8012 (8010 and 8011, for a first line that is not an X record, come alone),
// 161, 163.
[[nodiscard]] int recoverHashes(const char* inputFile, const char* outputFile, const char* centreKey,
                                const char* centreKeyPassword, const char* centreKeyLength, const char* newKeyFile,
                                const char* newKeyLength, const char* tcCertificate, const char* slotText,
                                const char* pin);

}  // namespace quervik
