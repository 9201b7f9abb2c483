// desRc: a DRG batch whose B records carry plain birth numbers becomes one that carries, in
// their place, coded numbers (SHA-1 over the number encrypted under the hospital's hashing
// key: the same number gives the same code in every batch, and the code does not give the
// number back). So that the two key holders together can still get from a code to the person,
// the batch is completed with an X record (a fresh session key split into two shares, each
// encrypted for one holder) and a Y record per distinct birth number (its coded number and its
// recovery identifier, the number encrypted under the session key). No plain birth number is
// written to any file: the distinct numbers are kept in memory. Called by the desRc export and
// by `quervik desrc`.
#pragma once

namespace quervik {

// The usage text of the command-line form (a printf format taking the program name).
extern const char* const kDesRcUsage;

// Key type: 1, the DRG centre's and the trust centre's keys are certificates and the hashing
// key blob opens with the private key of the hospital's certificate (what the export passes);
// 0, they are public keys and the blob opens with the private key named by hospitalKey.
//
// With a slot (decimal text; null = no card) the keys are card objects named by labels: the
// card is opened with the PIN (120 when it cannot be). Without one, drgCertificate,
// tcCertificate and hospitalKey are PEM files, hashKeyName the blob file and pin the private
// key's password. The output (null = standard output) appears under its name only when the run
// succeeded; standard output streams.
//
// 0 success. 1 failure after its reports: 121 (the hashing key), 501 (input unreadable), 502
// (output not created or not written), 505 (no memory for the distinct numbers), 162-165 and
// 90003 (the X record), 101 (interrupted while the Y records were written); an interruption
// while the batch is copied, and a key type other than 0 or 1, end with 1 and no report.
[[nodiscard]] int encodeBirthNumbers(const char* inputFile, const char* outputFile, const char* slotText,
                                     const char* drgCertificate, const char* tcCertificate, const char* hospitalKey,
                                     const char* hashKeyName, const char* pin, int keyType);

}  // namespace quervik
