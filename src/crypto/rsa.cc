// The RSA request; see rsa.h.
#include "crypto/rsa.h"

#include <openssl/core_names.h>
#include <openssl/rsa.h>

#include "crypto/crypto_errors.h"
#include "crypto/key_files.h"
#include "crypto/messages.h"
#include "runtime/report.h"

namespace quervik {
namespace {

enum class Operation { Encrypt, Decrypt, Sign, Recover };

// PKCS#1 v1.5 decryption must fail visibly on bad padding: where OpenSSL answers bad padding
// with made-up bytes (implicit rejection, from 3.2), switch that off for our decryptions.
bool explicitRejection(EVP_PKEY_CTX* ctx, int padding) {
#ifdef OSSL_ASYM_CIPHER_PARAM_IMPLICIT_REJECTION
  if (padding == RSA_PKCS1_PADDING) {
    unsigned int off = 0;
    OSSL_PARAM params[] = {OSSL_PARAM_construct_uint(OSSL_ASYM_CIPHER_PARAM_IMPLICIT_REJECTION, &off),
                           OSSL_PARAM_construct_end()};
    return EVP_PKEY_CTX_set_params(ctx, params) > 0;
  }
#else
  (void)ctx;
  (void)padding;
#endif
  return true;
}

// One raw RSA operation into out (sized to the key, then to what came out). False when it
// failed; the caller drains the error queue.
bool runOperation(EVP_PKEY* key, Operation op, int padding, const unsigned char* in, size_t inLength,
                  SecureBytes& out) {
  EvpPkeyCtxPtr ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr));
  if (!ctx) return false;
  int ok = 0;
  switch (op) {
    case Operation::Encrypt: ok = EVP_PKEY_encrypt_init(ctx.get()); break;
    case Operation::Decrypt: ok = EVP_PKEY_decrypt_init(ctx.get()); break;
    case Operation::Sign: ok = EVP_PKEY_sign_init(ctx.get()); break;
    case Operation::Recover: ok = EVP_PKEY_verify_recover_init(ctx.get()); break;
  }
  if (ok <= 0 || EVP_PKEY_CTX_set_rsa_padding(ctx.get(), padding) <= 0) return false;
  if (op == Operation::Decrypt && !explicitRejection(ctx.get(), padding)) return false;
  int keySize = EVP_PKEY_get_size(key);
  if (keySize <= 0) return false;
  static const unsigned char kNothing = 0;
  if (!in) in = &kNothing;
  out.assign(static_cast<size_t>(keySize), 0);
  size_t outLength = out.size();
  switch (op) {
    case Operation::Encrypt: ok = EVP_PKEY_encrypt(ctx.get(), out.data(), &outLength, in, inLength); break;
    case Operation::Decrypt: ok = EVP_PKEY_decrypt(ctx.get(), out.data(), &outLength, in, inLength); break;
    case Operation::Sign: ok = EVP_PKEY_sign(ctx.get(), out.data(), &outLength, in, inLength); break;
    case Operation::Recover: ok = EVP_PKEY_verify_recover(ctx.get(), out.data(), &outLength, in, inLength); break;
  }
  if (ok <= 0 || outLength > out.size()) {
    out.clear();
    return false;
  }
  out.resize(outLength);
  return true;
}

EvpPkeyPtr publicKeyFrom(const void* source, int32_t length) {
  if (length > 0) return parsePublicKeyDer(static_cast<const unsigned char*>(source), static_cast<size_t>(length));
  return readPublicKeyPem(static_cast<const char*>(source), kPemFormat);
}

EvpPkeyPtr privateKeyFrom(const void* source, int32_t length, const char* password) {
  if (length > 0) return parsePrivateKeyDer(static_cast<const unsigned char*>(source), static_cast<size_t>(length));
  return readPrivateKeyPem(static_cast<const char*>(source), kPemFormat, password);
}

X509Ptr certificateFrom(const void* source, int32_t length) {
  if (length > 0) return parseCertificateDer(static_cast<const unsigned char*>(source), static_cast<size_t>(length));
  return readCertificatePem(static_cast<const char*>(source), kPemFormat);
}

EvpPkeyPtr keyOfCertificate(X509Ptr certificate) {
  if (!certificate) return nullptr;
  return EvpPkeyPtr(X509_get_pubkey(certificate.get()));  // get1: ours to free
}

// Where a command takes its key from, what it does with it, and whether it works on exactly
// one key-sized block of the input.
enum class KeySource { Public, Private, Certificate, GivenCertificate };

struct RsaCommandRow {
  int command;
  KeySource source;
  Operation op;
  bool wholeBlock;
};

constexpr RsaCommandRow kRsaCommandRows[] = {
    {kRsaPublicEncrypt, KeySource::Public, Operation::Encrypt, false},
    {kRsaPrivateDecrypt, KeySource::Private, Operation::Decrypt, false},
    {kRsaPublicRecoverBlock, KeySource::Public, Operation::Recover, true},
    {kRsaCertificateEncrypt, KeySource::Certificate, Operation::Encrypt, false},
    {kRsaCertificateRecoverBlock, KeySource::Certificate, Operation::Recover, true},
    {kRsaGivenCertificateEncrypt, KeySource::GivenCertificate, Operation::Encrypt, false},
    {kRsaGivenCertificateRecoverBlock, KeySource::GivenCertificate, Operation::Recover, true},
    {kRsaPrivateSign, KeySource::Private, Operation::Sign, false},
    {kRsaPublicRecover, KeySource::Public, Operation::Recover, false},
};

EvpPkeyPtr keyFor(RsaRequest& request, KeySource source) {
  switch (source) {
    case KeySource::Public:
      return publicKeyFrom(request.publicSource, request.publicLength);
    case KeySource::Private:
      return privateKeyFrom(request.privateSource, request.privateLength, request.password);
    case KeySource::Certificate:
      return keyOfCertificate(certificateFrom(request.publicSource, request.publicLength));
    case KeySource::GivenCertificate:
      return keyOfCertificate(std::move(request.certificate));
  }
  return nullptr;
}

}  // namespace

int performRsaRequest(RsaRequest& request, int command) {
  if (command == kRsaFinish) return 0;
  CryptoErrorScope scope("performRsaRequest");
  request.output.clear();
  request.outputLength = 0;

  const RsaCommandRow* row = nullptr;
  for (const RsaCommandRow& c : kRsaCommandRows)
    if (c.command == command) row = &c;
  EvpPkeyPtr key;
  if (row) key = keyFor(request, row->source);
  const Operation op = row ? row->op : Operation::Encrypt;
  const bool wholeBlock = row && row->wholeBlock;
  request.certificate.reset();
  if (!key) {
    reportCryptoFailure(kMsgRsaNoKey);
    return -1;
  }
  if (!EVP_PKEY_is_a(key.get(), "RSA")) {
    reportCryptoFailure(kMsgRsaNotRsaKey);
    return -2;
  }
  int keySize = EVP_PKEY_get_size(key.get());
  if (wholeBlock) {
    if (request.inputLength < keySize) {
      reportCryptoFailure(kMsgRsaNoOutput);
      return -3;
    }
    request.inputLength = keySize;
  }
  if (request.inputLength < 0 || (!request.input && request.inputLength > 0) ||
      !runOperation(key.get(), op, request.padding, request.input, static_cast<size_t>(request.inputLength),
                    request.output) ||
      request.output.empty()) {
    request.output.clear();
    reportCryptoFailure(kMsgRsaNoOutput);
    return -3;
  }
  request.outputLength = static_cast<int32_t>(request.output.size());
  return 0;
}

bool rsaRecoverWithPublicParts(const unsigned char* modulus, size_t modulusLength, const unsigned char* exponent,
                               size_t exponentLength, const unsigned char* input, size_t inputLength,
                               SecureBytes& out) {
  CryptoErrorScope scope("rsaRecoverWithPublicParts");
  EvpPkeyPtr key = rsaPublicKeyFromParts(modulus, modulusLength, exponent, exponentLength);
  if (!key || !input || !runOperation(key.get(), Operation::Recover, RSA_PKCS1_PADDING, input, inputLength, out)) {
    out.clear();
    drainCryptoErrors();
    return false;
  }
  return true;
}

}  // namespace quervik
