// A new hashing key for the hospital. The signing and birth-number work only ever load the key
// from its blob (the 24 triple-DES key bytes encrypted with PKCS#1 v1.5 for the hospital's own
// certificate); this is where a key and its blob are made. The key is drawn from the
// cryptographic random generator (three DES keys, odd parity, none weak), wrapped at once and
// wiped: it never appears anywhere in plain, on screen, in a file or in a log.
#pragma once

namespace quervik {

// The card data object the signing work takes the blob from.
inline constexpr const char* kHashKeyObjectName = "RSA_DES_KEY";

struct HashKeyTarget {
  // The certificate the key is wrapped for: on the card (certificateName: the certificate
  // labelled with that name, else the first whose DN holds it in any letter case; its private
  // key must be on the card too; the card session must be open), or a PEM file.
  const char* certificateName = nullptr;
  const char* certificateFile = nullptr;
  // Where the blob goes, one or both: a data object on the card (the session must be open) and
  // a file, which must not exist yet (a hashing key is never replaced by accident).
  const char* cardObject = nullptr;
  const char* blobFile = nullptr;
};

// Makes the key and puts its blob where the target says. 0 on success. -1 no key could be
// drawn (165); -2 the key could not be wrapped (no such certificate on the card 235, its
// private key not on the card 236, its value unreadable 218, the certificate file's codes,
// 90001-90003); -3 the blob file exists or cannot be written (502 with its name); -4 the card
// did not take the blob (225 when the name is taken, 226, 261); -5 the target names no
// certificate, or no place for the blob; kHashKeyCertificateNotFitting, nothing reported, the
// certificate's key is not a 1024-bit RSA key (its blob would not fit where it is used). When
// both places are named, the file appears only after the card took the blob.
inline constexpr int kHashKeyCertificateNotFitting = -6;
[[nodiscard]] int makeHashKey(const HashKeyTarget& target);

}  // namespace quervik
