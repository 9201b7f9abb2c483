// Owning types for every OpenSSL object the library touches. Nothing in the core holds a raw
// owning pointer to an OpenSSL object: a reader returns one of these, a caller that keeps an
// object moves it, and every path releases it. Where a pointer comes from a get0 call it is
// borrowed and stays raw; from a get1 call it is owned and goes into one of these at once.
#pragma once
#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/params.h>
#include <openssl/x509.h>

#include <memory>

namespace quervik {

template <auto F>
struct OsslFree {
  template <class T>
  void operator()(T* p) const {
    F(p);
  }
};

using EvpPkeyPtr = std::unique_ptr<EVP_PKEY, OsslFree<EVP_PKEY_free>>;
using EvpPkeyCtxPtr = std::unique_ptr<EVP_PKEY_CTX, OsslFree<EVP_PKEY_CTX_free>>;
using EvpCipherCtxPtr = std::unique_ptr<EVP_CIPHER_CTX, OsslFree<EVP_CIPHER_CTX_free>>;
using EvpCipherPtr = std::unique_ptr<EVP_CIPHER, OsslFree<EVP_CIPHER_free>>;
using EvpMdCtxPtr = std::unique_ptr<EVP_MD_CTX, OsslFree<EVP_MD_CTX_free>>;
using EvpMdPtr = std::unique_ptr<EVP_MD, OsslFree<EVP_MD_free>>;
using EvpEncodeCtxPtr = std::unique_ptr<EVP_ENCODE_CTX, OsslFree<EVP_ENCODE_CTX_free>>;
using BioPtr = std::unique_ptr<BIO, OsslFree<BIO_free_all>>;
using X509Ptr = std::unique_ptr<X509, OsslFree<X509_free>>;
using X509ReqPtr = std::unique_ptr<X509_REQ, OsslFree<X509_REQ_free>>;
using X509NamePtr = std::unique_ptr<X509_NAME, OsslFree<X509_NAME_free>>;
using X509AlgorPtr = std::unique_ptr<X509_ALGOR, OsslFree<X509_ALGOR_free>>;
using Asn1BitStringPtr = std::unique_ptr<ASN1_BIT_STRING, OsslFree<ASN1_BIT_STRING_free>>;
using BnPtr = std::unique_ptr<BIGNUM, OsslFree<BN_free>>;
using OsslParamBldPtr = std::unique_ptr<OSSL_PARAM_BLD, OsslFree<OSSL_PARAM_BLD_free>>;
using OsslParamPtr = std::unique_ptr<OSSL_PARAM, OsslFree<OSSL_PARAM_free>>;

// Bytes that OpenSSL allocated for us (the i2d_* writers with a null output pointer).
struct OsslBytesFree {
  void operator()(unsigned char* p) const { OPENSSL_free(p); }
};
using OsslBytesPtr = std::unique_ptr<unsigned char, OsslBytesFree>;

}  // namespace quervik
