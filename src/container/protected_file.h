// The protected file: a data-interface file on its way to the receiving centre. The content
// is encrypted with a fresh triple-DES key; that key and the content's SHA-1 digest (the key
// record) are signed with the sender's RSA key; the signature is encrypted, in two halves,
// for the addressee's RSA key; a trailer names the sender (the subject DN of its certificate)
// and carries the sender's hashing-key check value encrypted for the addressee.
//
//   encrypted content     m bytes: 8-byte blocks, the last padded with zero bytes (a whole
//                         block of zeros when the content fills its blocks exactly)
//   wrapped half 1, 2     128 bytes each
//   pad count             1 byte: padding bytes in the last content block, 1 to 8
//   DN text               L printable characters (L <= 127)
//   DN length             L as "%*d" of width 6
//   key check block       128 bytes
//   trailer               a blank and the version digit
//
// We write version 2. Version 1 ends after the pad count with its trailer; version 3 is laid
// out like 2 and its digest also covers everything from the DN text to the end of the file.
// The readers below find the trailer fields from the end of the file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace quervik {

inline constexpr size_t kRsaBlockSize = 128;        // every RSA block: 1024-bit keys only
inline constexpr size_t kSignatureHalf = kRsaBlockSize / 2;
inline constexpr size_t kDigestSize = 20;           // SHA-1
inline constexpr size_t kKeyRecordSize = 45;        // k1 k2 k3, the digest, a zero byte
inline constexpr size_t kWrappedTailSize = 2 * kRsaBlockSize + 1;  // both halves and the pad count
inline constexpr size_t kDnLengthWidth = 6;
inline constexpr size_t kMaxDnText = 127;
inline constexpr size_t kTrailerSize = 2;
inline constexpr char kWrittenVersion = '2';

// From the end of the file.
inline constexpr int64_t kKeyCheckBlockFromEnd = kTrailerSize + kRsaBlockSize;        // 130
inline constexpr int64_t kDnLengthFromEnd = kKeyCheckBlockFromEnd + kDnLengthWidth;  // 136
inline constexpr int64_t kVersion1TailFromEnd = kTrailerSize + kWrappedTailSize;     // 259

// The plaintext of the check value: one block, "secret" and two zero bytes.
inline constexpr unsigned char kCheckValuePlain[8] = {'s', 'e', 'c', 'r', 'e', 't', 0, 0};

// The DN text followed by its length right-aligned in six characters.
std::string dnField(std::string_view dnText);

// The key check block: 0 with size bytes (at most 128) from end - 130 in buffer, the file then
// positioned at end - (size + 2); -1 when the file is too short or cannot be read.
int readKeyCheckBlock(FILE* file, unsigned char* buffer, size_t size);

// The DN length field at end - 136 read as a leading decimal number (blanks first, digits up
// to the first other character, 0 without digits); the file is left at end - 130. None when
// the file is too short or cannot be read.
std::optional<int64_t> readDnLength(FILE* file);

// The DN text: its length from readDnLength, then at most 128 characters from the start of the
// text, cut at the first zero byte. 0 with the file positioned at the start of the DN text
// (end - 136 - L); -1 when the length is negative or reaches before the start of the file, the
// text cannot be read, or a character of it is not printable ASCII (blank included).
int readDnField(FILE* file, std::string& dnText);

}  // namespace quervik
