// Cryptography inside the card; see operations.h.
#include "token/operations.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "crypto/hex.h"
#include "crypto/rsa.h"
#include "crypto/secure_bytes.h"
#include "runtime/console.h"
#include "runtime/report.h"
#include "token/attributes.h"
#include "token/messages.h"
#include "token/module.h"
#include "token/objects.h"
#include "token/template.h"

namespace quervik {
namespace {

// No RSA key this layer meets has a block beyond this; a larger answer is a broken module.
constexpr CK_ULONG kMaxRsaBlock = 8192;

using StartCall = CK_C_SignInit CK_FUNCTION_LIST::*;
using SinglePartCall = CK_C_Sign CK_FUNCTION_LIST::*;

struct RsaOperation {
  StartCall start;
  SinglePartCall run;
  int startFailed;
  bool startFailedTakesValue;
  int runFailed;
};

const RsaOperation kSign{&CK_FUNCTION_LIST::C_SignInit, &CK_FUNCTION_LIST::C_Sign, kMsgSignNotStarted, true,
                         kMsgSignFailed};
const RsaOperation kEncrypt{&CK_FUNCTION_LIST::C_EncryptInit, &CK_FUNCTION_LIST::C_Encrypt, kMsgEncryptNotStarted,
                            true, kMsgEncryptFailed};
const RsaOperation kRecover{&CK_FUNCTION_LIST::C_VerifyRecoverInit, &CK_FUNCTION_LIST::C_VerifyRecover,
                            kMsgRecoverNotStarted, false, kMsgRecoverFailed};
const RsaOperation kDecrypt{&CK_FUNCTION_LIST::C_DecryptInit, &CK_FUNCTION_LIST::C_Decrypt, kMsgDecryptNotStarted,
                            false, kMsgDecryptFailed};

void reportStartFailure(const RsaOperation& op, CK_RV rv) {
  if (op.startFailedTakesValue)
    reportError(op.startFailed, static_cast<unsigned long>(rv));
  else
    reportError(op.startFailed);
}

// Copies a result into the caller's buffer if it fits its capacity.
CK_RV deliver(const SecureBytes& result, unsigned char* output, CK_ULONG* outputLength) {
  if (result.size() > *outputLength) {
    *outputLength = result.size();
    return CKR_BUFFER_TOO_SMALL;
  }
  if (!result.empty()) std::memcpy(output, result.data(), result.size());
  *outputLength = result.size();
  return CKR_OK;
}

// The single-part call into a buffer of the size the card asks for (the key size), then the
// caller's capacity applied to what came back: some cards refuse a smaller buffer outright.
CK_RV runSinglePart(CK_SESSION_HANDLE session, const RsaOperation& op, const unsigned char* input,
                    CK_ULONG inputLength, unsigned char* output, CK_ULONG* outputLength) {
  CK_BYTE_PTR in = const_cast<CK_BYTE_PTR>(input);
  CK_ULONG needed = 0;
  CK_RV rv = callModule(op.run, session, in, inputLength, nullptr, &needed);
  if (rv == CKR_OK && needed > kMaxRsaBlock) rv = CKR_GENERAL_ERROR;
  SecureBytes result;
  if (rv == CKR_OK) {
    result.resize(needed);
    rv = callModule(op.run, session, in, inputLength, result.data(), &needed);
  }
  if (rv == CKR_OK && needed > result.size()) rv = CKR_GENERAL_ERROR;
  if (rv == CKR_OK) {
    result.resize(needed);
    rv = deliver(result, output, outputLength);
  }
  if (rv != CKR_OK) reportError(op.runFailed);
  return rv;
}

// Recovery in software from the key object's public parts, for cards that cannot recover
// signed data with a public key themselves. Only public key material leaves the card.
CK_RV recoverInSoftware(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE key, CK_RV refused, const unsigned char* input,
                        CK_ULONG inputLength, unsigned char* output, CK_ULONG* outputLength) {
  std::vector<SecureBytes> parts;
  if (readAttributes(session, key, {CKA_MODULUS, CKA_PUBLIC_EXPONENT}, parts) != CKR_OK) {
    reportError(kMsgRecoverNotStarted);
    return refused;
  }
  SecureBytes result;
  CK_RV rv = rsaRecoverWithPublicParts(parts[0].data(), parts[0].size(), parts[1].data(), parts[1].size(), input,
                                       inputLength, result)
                 ? deliver(result, output, outputLength)
                 : CKR_SIGNATURE_INVALID;
  if (rv != CKR_OK) reportError(kMsgRecoverFailed);
  return rv;
}

}  // namespace

CK_RV applyRsaKey(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE key, int direction, const unsigned char* input,
                  CK_ULONG inputLength, unsigned char* output, CK_ULONG* outputLength) {
  if (direction != kRsaForward && direction != kRsaReverse) {
    reportError(kMsgUnknownDirection);
    return kNoMatch;
  }
  bool isPublic = checkKeyClass(session, key, CKO_PUBLIC_KEY, CKK_RSA) == CKR_OK;
  if (!isPublic && checkKeyClass(session, key, CKO_PRIVATE_KEY, CKK_RSA) != CKR_OK) {
    reportError(kMsgNotAnRsaKey);
    return kNoMatch;
  }
  if (!outputLength || (!output && *outputLength > 0) || (!input && inputLength > 0)) return CKR_ARGUMENTS_BAD;
  const RsaOperation& op = direction == kRsaForward ? (isPublic ? kEncrypt : kSign) : (isPublic ? kRecover : kDecrypt);
  CK_MECHANISM mechanism{CKM_RSA_PKCS, nullptr, 0};
  CK_RV rv = callModule(op.start, session, &mechanism, key);
  if (rv != CKR_OK) {
    if (&op == &kRecover && (rv == CKR_FUNCTION_NOT_SUPPORTED || rv == CKR_MECHANISM_INVALID))
      return recoverInSoftware(session, key, rv, input, inputLength, output, outputLength);
    reportStartFailure(op, rv);
    return rv;
  }
  return runSinglePart(session, op, input, inputLength, output, outputLength);
}

CK_RV digestOnToken(CK_SESSION_HANDLE session, const unsigned char* data, CK_ULONG length, char* hexOut,
                    CK_ULONG* digestLength) {
  if (!hexOut || !digestLength || (!data && length > 0)) return CKR_ARGUMENTS_BAD;
  CK_MECHANISM mechanism{CKM_SHA_1, nullptr, 0};
  CK_RV rv = callModule(&CK_FUNCTION_LIST::C_DigestInit, session, &mechanism);
  if (rv != CKR_OK) return rv;
  unsigned char digest[50];
  CK_ULONG produced = sizeof digest;
  rv = callModule(&CK_FUNCTION_LIST::C_Digest, session, const_cast<CK_BYTE_PTR>(data), length, digest, &produced);
  if (rv != CKR_OK) return rv;
  if (produced != 20) return CKR_GENERAL_ERROR;  // hexOut has room for a SHA-1 digest only
  *digestLength = produced;
  toHexUpper(digest, produced, hexOut);
  return CKR_OK;
}

CK_RV desCryptOnToken(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE key, int mode, const unsigned char* input,
                      CK_ULONG inputLength, unsigned char* output, CK_ULONG* outputLength) {
  CK_ATTRIBUTE query = attribute(CKA_KEY_TYPE, nullptr, 0);
  CK_RV rv = callModule(&CK_FUNCTION_LIST::C_GetAttributeValue, session, key, &query, CK_ULONG(1));
  if (rv != CKR_OK) {
    reportError(kMsgKeyTypeLengthUnreadable);
    return rv;
  }
  CK_KEY_TYPE keyType = 0;
  if (query.ulValueLen != sizeof keyType) {
    reportError(kMsgKeyTypeUnreadable);
    return CKR_ATTRIBUTE_VALUE_INVALID;
  }
  query.pValue = &keyType;
  rv = callModule(&CK_FUNCTION_LIST::C_GetAttributeValue, session, key, &query, CK_ULONG(1));
  if (rv != CKR_OK) {
    reportError(kMsgKeyTypeUnreadable);
    return rv;
  }
  if (mode != kDesEncrypt && mode != kDesDecrypt) {
    reportError(kMsgDesUnknownMode);
    return CKR_MECHANISM_INVALID;
  }
  bool encrypt = mode == kDesEncrypt;
  CK_MECHANISM mechanism{keyType == CKK_DES ? CKM_DES_ECB : CKM_DES3_ECB, nullptr, 0};
  // No DES mechanism fits another key type; the start fails as the card would refuse it.
  bool desKey = keyType == CKK_DES || keyType == CKK_DES2 || keyType == CKK_DES3;
  rv = !desKey ? CKR_KEY_TYPE_INCONSISTENT
               : encrypt ? callModule(&CK_FUNCTION_LIST::C_EncryptInit, session, &mechanism, key)
                         : callModule(&CK_FUNCTION_LIST::C_DecryptInit, session, &mechanism, key);
  if (rv != CKR_OK) {
    reportError(encrypt ? kMsgDesEncryptNotStarted : kMsgDesDecryptNotStarted);
    return rv;
  }
  CK_BYTE_PTR in = const_cast<CK_BYTE_PTR>(input);
  rv = encrypt ? callModule(&CK_FUNCTION_LIST::C_Encrypt, session, in, inputLength, output, outputLength)
               : callModule(&CK_FUNCTION_LIST::C_Decrypt, session, in, inputLength, output, outputLength);
  if (rv != CKR_OK)
    reportError(encrypt ? kMsgDesEncryptFailed : kMsgDesDecryptFailed, static_cast<unsigned long>(rv));
  return rv;
}

CK_RV generateDesKey(CK_SESSION_HANDLE session, const char* label, const unsigned char* keyValue, CK_KEY_TYPE keyType,
                     CK_OBJECT_HANDLE* created) {
  if (!label) {
    reportError(kMsgDesKeyNoLabel);
    return kNoMatch;
  }
  size_t length = 0;
  CK_MECHANISM_TYPE generation = 0;
  switch (keyType) {
    case CKK_DES3: length = 24, generation = CKM_DES3_KEY_GEN; break;
    case CKK_DES2: length = 16, generation = CKM_DES2_KEY_GEN; break;
    case CKK_DES: length = 8, generation = CKM_DES_KEY_GEN; break;
    default: return CKR_KEY_TYPE_INCONSISTENT;
  }
  if (!created) return CKR_ARGUMENTS_BAD;
  SecureBytes value(length);
  if (keyValue) {
    std::memcpy(value.data(), keyValue, length);
  } else {
    // The generated key is read back out to become the session key below, so it must be
    // generated readable; that intermediate copy is destroyed once read.
    CK_MECHANISM mechanism{generation, nullptr, 0};
    CK_ATTRIBUTE readable[] = {attribute(CKA_TOKEN, kCkFalse), attribute(CKA_SENSITIVE, kCkFalse),
                               attribute(CKA_EXTRACTABLE, kCkTrue)};
    CK_OBJECT_HANDLE generated = CK_INVALID_HANDLE;
    CK_RV rv = callModule(&CK_FUNCTION_LIST::C_GenerateKey, session, &mechanism, readable, CK_ULONG(3), &generated);
    if (rv != CKR_OK) return rv;
    std::vector<SecureBytes> read;
    rv = readAttributes(session, generated, {CKA_VALUE}, read);
    (void)callModule(&CK_FUNCTION_LIST::C_DestroyObject, session, generated);
    if (rv != CKR_OK) return rv;
    if (read[0].size() != length) return CKR_KEY_SIZE_RANGE;
    std::memcpy(value.data(), read[0].data(), length);
  }
  CK_OBJECT_CLASS secretClass = CKO_SECRET_KEY;
  std::string text(label);
  CK_ATTRIBUTE tmpl[] = {
      attribute(CKA_CLASS, secretClass), attribute(CKA_KEY_TYPE, keyType), attribute(CKA_TOKEN, kCkFalse),
      attribute(CKA_LABEL, text),        attribute(CKA_ENCRYPT, kCkTrue),  attribute(CKA_DECRYPT, kCkTrue),
      attribute(CKA_VALUE, value.data(), value.size()),
  };
  CK_RV rv = callModule(&CK_FUNCTION_LIST::C_CreateObject, session, tmpl, CK_ULONG(std::size(tmpl)), created);
  if (rv != CKR_OK) consoleOut("Nelze vytvorit objekt DES klice: %lx", static_cast<unsigned long>(rv));
  return rv;
}

CK_RV generateKeyPair(CK_SESSION_HANDLE session, CK_ULONG modulusBits, CK_OBJECT_HANDLE* publicKey,
                      CK_OBJECT_HANDLE* privateKey, const char* publicName, const char* privateName) {
  if (!publicName || !privateName) {
    reportError(kMsgKeyPairNoName);
    return kNoMatch;
  }
  if (!labelFits(kPrivateKeyPrefix, privateName)) {
    reportError(kMsgPrivateKeyNameTooLong, privateName);
    return kNoMatch;
  }
  if (!labelFits(kPublicKeyPrefix, publicName)) {
    reportError(kMsgKeyPairPublicNameTooLong, publicName);
    return kNoMatch;
  }
  if (!publicKey || !privateKey) return CKR_ARGUMENTS_BAD;
  CK_ULONG bits = modulusBits ? modulusBits : 512;
  std::string publicLabel = std::string(kPublicKeyPrefix) + publicName;
  std::string privateLabel = std::string(kPrivateKeyPrefix) + privateName;
  static const unsigned char kExponent[] = {0x01, 0x00, 0x01};
  CK_ATTRIBUTE publicTemplate[] = {
      attribute(CKA_LABEL, publicLabel),  attribute(CKA_TOKEN, kCkTrue),        attribute(CKA_VERIFY, kCkTrue),
      attribute(CKA_ENCRYPT, kCkTrue),    attribute(CKA_WRAP, kCkTrue),         attribute(CKA_MODULUS_BITS, bits),
      attribute(CKA_PUBLIC_EXPONENT, kExponent, sizeof kExponent), attribute(CKA_PRIVATE, kCkTrue),
  };
  CK_ATTRIBUTE privateTemplate[] = {
      attribute(CKA_LABEL, privateLabel), attribute(CKA_TOKEN, kCkTrue),     attribute(CKA_PRIVATE, kCkTrue),
      attribute(CKA_UNWRAP, kCkTrue),     attribute(CKA_SENSITIVE, kCkTrue), attribute(CKA_DECRYPT, kCkTrue),
      attribute(CKA_SIGN, kCkTrue),
  };
  consoleOut("Provadim generaci paru %d bitoveho RSA klice:...\n", static_cast<int>(bits));
  CK_MECHANISM mechanism{CKM_RSA_PKCS_KEY_PAIR_GEN, nullptr, 0};
  CK_RV rv = callModule(&CK_FUNCTION_LIST::C_GenerateKeyPair, session, &mechanism, publicTemplate,
                        CK_ULONG(std::size(publicTemplate)), privateTemplate, CK_ULONG(std::size(privateTemplate)),
                        publicKey, privateKey);
  if (rv == CKR_OK)
    consoleOut("%d bitovy RSA klicovy par vygenerovan\n", static_cast<int>(bits));
  else
    reportError(kMsgKeyPairNotGenerated);
  return rv;
}

}  // namespace quervik
