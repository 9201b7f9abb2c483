// Making a protected file (protected_file.h) for the receiving centre: the host's signFile and
// the "quervik sign" command. The keys are objects on the hospital's card when a slot is
// given, PEM files otherwise.
#pragma once

namespace quervik {

// The usage text of the command-line form, printed to standard error for a bad key type.
extern const char* const kSignUsage;

// Writes the protected file of inputFile to outputFile (standard output when null). slot:
// decimal card slot, null for key files. keyType: 1 the addressee's and sender's keys are
// certificates (on the card: found by label or by a fragment of the subject; the sender's
// private key shares its certificate's CKA_ID), 0 key objects or key files.
//   addresseeName  the centre's certificate or public key (card name or PEM file)
//   senderName     the hospital's key: card name of its certificate (type 1) or private key
//                  (type 0), also the pattern that finds its certificate's DN; without a card
//                  its PEM private-key file
//   hashKeyName    the card data object of the hospital's hashing-key blob (card, type 1)
//   pin            the card PIN, or the password of the private-key file
// With a card the file names its sender's DN; with a card and key type 1 it also carries the
// check value of the hashing key. Without them the DN is empty and the key check block zeros.
// 0 when the file is complete. 1 on failure, reported in the error list (501, 502, 90003, the
// card's codes, 165, or none when no certificate's DN contains senderName or the host
// interrupted the work); the output file then does not appear (an existing one is left as it
// was). 2 for a key type other than 0 and 1.
int signProtectedFile(const char* inputFile, const char* outputFile, const char* slot, const char* hashKeyName,
                      const char* addresseeName, int keyType, const char* senderName, const char* pin);

}  // namespace quervik
