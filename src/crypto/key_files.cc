// Certificates and keys in PEM files and DER bytes; see key_files.h.
#include "crypto/key_files.h"

#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/pem.h>

#include <climits>
#include <cstdio>

#include "crypto/crypto_errors.h"
#include "crypto/messages.h"
#include "crypto/password.h"
#include "runtime/console.h"
#include "runtime/pending_file.h"
#include "runtime/platform.h"
#include "runtime/report.h"

namespace quervik {
namespace {

// Certificates and public keys are never encrypted; this keeps OpenSSL from ever prompting
// on the terminal for them.
int refusePassword(char*, int, int, void*) { return -1; }

struct ReaderCodes {
  int noName, noStream, noOpen, nothingRead;
};

constexpr ReaderCodes kCertificateCodes{kMsgCertificateNoName, kMsgCertificateNoStream, kMsgCertificateNoOpen,
                                        kMsgCertificateNotRead};
constexpr ReaderCodes kPrivateKeyCodes{kMsgPrivateKeyNoName, kMsgPrivateKeyNoStream, kMsgPrivateKeyNoOpen,
                                       kMsgPrivateKeyNotRead};
constexpr ReaderCodes kPublicKeyCodes{kMsgPublicKeyNoName, kMsgPublicKeyNoStream, kMsgPublicKeyNoOpen,
                                      kMsgPublicKeyNotRead};

// Opens the file as a read stream, or reports why not and gives null.
BioPtr openPemFile(const char* fileName, const ReaderCodes& codes) {
  if (!fileName) {
    reportError(codes.noName);
    return nullptr;
  }
  FILE* f = openFile(fileName, "rb");
  if (!f) {
    reportError(codes.noOpen);
    return nullptr;
  }
  BioPtr bio(BIO_new_fp(f, BIO_CLOSE));
  if (!bio) {
    std::fclose(f);
    reportCryptoFailure(codes.noStream);
  }
  return bio;
}

template <class T, class Read>
T readPem(const char* fileName, int format, const ReaderCodes& codes, Read read) {
  BioPtr bio = openPemFile(fileName, codes);
  if (!bio) return nullptr;
  T object;
  if (format == kPemFormat) object.reset(read(bio.get()));
  if (!object) {
    reportCryptoFailure(codes.nothingRead);
    return nullptr;
  }
  ERR_clear_error();  // the PEM decoders may queue what they tried before the right one
  return object;
}

bool fitsLong(size_t n) { return n <= static_cast<size_t>(LONG_MAX); }

// One DER object decoded from memory; null (error queue drained) when the bytes are not one.
template <class T, class Decode>
T parseDer(const char* function, const unsigned char* der, size_t length, Decode decode) {
  CryptoErrorScope scope(function);
  if (!der || !fitsLong(length)) return nullptr;
  const unsigned char* p = der;
  T object(decode(&p, static_cast<long>(length)));
  drainCryptoErrors();
  return object;
}

}  // namespace

X509Ptr readCertificatePem(const char* fileName, int format) {
  CryptoErrorScope scope("readCertificatePem");
  return readPem<X509Ptr>(fileName, format, kCertificateCodes,
                          [](BIO* b) { return PEM_read_bio_X509(b, nullptr, refusePassword, nullptr); });
}

EvpPkeyPtr readPrivateKeyPem(const char* fileName, int format, const char* password) {
  CryptoErrorScope scope("readPrivateKeyPem");
  PasswordRequest request{password, kKeyPasswordPrompt};
  return readPem<EvpPkeyPtr>(fileName, format, kPrivateKeyCodes, [&](BIO* b) {
    return PEM_read_bio_PrivateKey(b, nullptr, readPassword, &request);
  });
}

EvpPkeyPtr readPublicKeyPem(const char* fileName, int format) {
  CryptoErrorScope scope("readPublicKeyPem");
  return readPem<EvpPkeyPtr>(fileName, format, kPublicKeyCodes,
                             [](BIO* b) { return PEM_read_bio_PUBKEY(b, nullptr, refusePassword, nullptr); });
}

X509Ptr parseCertificateDer(const unsigned char* der, size_t length) {
  return parseDer<X509Ptr>("parseCertificateDer", der, length,
                           [](const unsigned char** p, long n) { return d2i_X509(nullptr, p, n); });
}

EvpPkeyPtr parsePublicKeyDer(const unsigned char* der, size_t length) {
  return parseDer<EvpPkeyPtr>("parsePublicKeyDer", der, length,
                              [](const unsigned char** p, long n) { return d2i_PUBKEY(nullptr, p, n); });
}

EvpPkeyPtr parsePrivateKeyDer(const unsigned char* der, size_t length) {
  return parseDer<EvpPkeyPtr>("parsePrivateKeyDer", der, length,
                              [](const unsigned char** p, long n) { return d2i_AutoPrivateKey(nullptr, p, n); });
}

EvpPkeyPtr rsaPublicKeyFromParts(const unsigned char* modulus, size_t modulusLength, const unsigned char* exponent,
                                 size_t exponentLength) {
  CryptoErrorScope scope("rsaPublicKeyFromParts");
  if (!modulus || !exponent || modulusLength == 0 || exponentLength == 0 || !fitsLong(modulusLength) ||
      !fitsLong(exponentLength))
    return nullptr;
  BnPtr n(BN_bin2bn(modulus, static_cast<int>(modulusLength), nullptr));
  BnPtr e(BN_bin2bn(exponent, static_cast<int>(exponentLength), nullptr));
  OsslParamBldPtr build(OSSL_PARAM_BLD_new());
  EvpPkeyCtxPtr ctx(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
  EVP_PKEY* raw = nullptr;
  if (n && e && build && ctx && OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_RSA_N, n.get()) &&
      OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_RSA_E, e.get())) {
    OsslParamPtr params(OSSL_PARAM_BLD_to_param(build.get()));
    if (params && EVP_PKEY_fromdata_init(ctx.get()) > 0)
      EVP_PKEY_fromdata(ctx.get(), &raw, EVP_PKEY_PUBLIC_KEY, params.get());
  }
  EvpPkeyPtr key(raw);
  drainCryptoErrors();
  return key;
}

namespace {

// Writes a PEM file through a PendingFile, so that a key file appears only whole, a file it
// replaces stays until then, and a device named as the output is written into, never removed.
// 0; -103 the file could not be made; -102 no BIO for it; -104 the writing failed.
template <class Write>
int writePemFile(const char* fileName, Write write) {
  PendingFile out;
  if (!out.open(fileName)) return -103;
  BioPtr bio(BIO_new_fp(out.stream(), BIO_NOCLOSE));
  if (!bio) return -102;
  const bool written = write(bio.get()) == 1 && BIO_flush(bio.get()) == 1;
  bio.reset();
  return written && out.commit() ? 0 : -104;
}

}  // namespace

int writeRsaPublicKeyPem(const unsigned char* modulus, int modulusLength, const unsigned char* exponent,
                         int exponentLength, const char* fileName) {
  CryptoErrorScope scope("writeRsaPublicKeyPem");
  auto fail = [](int step) {
    drainCryptoErrors();
    consoleOut("Chyba:%d\n", step);
    return -1;
  };
  if (!modulus || !exponent || modulusLength <= 0 || exponentLength <= 0) return fail(-101);
  EvpPkeyPtr key = rsaPublicKeyFromParts(modulus, static_cast<size_t>(modulusLength), exponent,
                                         static_cast<size_t>(exponentLength));
  if (!key) return fail(-100);
  const int step = writePemFile(fileName, [&](BIO* bio) { return PEM_write_bio_PUBKEY(bio, key.get()); });
  return step == 0 ? 0 : fail(step);
}

int writeCertificatePem(const X509* certificate, const char* fileName) {
  CryptoErrorScope scope("writeCertificatePem");
  if (!certificate) return -1;
  const int step = writePemFile(fileName, [&](BIO* bio) { return PEM_write_bio_X509(bio, certificate); });
  drainCryptoErrors();
  return step == 0 ? 0 : -1;
}

}  // namespace quervik
