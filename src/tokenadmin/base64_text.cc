// Decoding the host's base64 texts; see base64_text.h.
#include "tokenadmin/base64_text.h"

#include <openssl/evp.h>

#include <algorithm>

#include "crypto/crypto_errors.h"
#include "crypto/ossl_ptr.h"

namespace quervik {
namespace {

bool isBase64Letter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

// Whole groups of four, '=' only as the last one or two characters of the text.
bool wellFormed(std::string_view text) {
  if (text.size() % 4 != 0) return false;
  size_t padding = 0;
  while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=') ++padding;
  return std::all_of(text.begin(), text.end() - static_cast<std::ptrdiff_t>(padding), isBase64Letter);
}

}  // namespace

std::optional<SecureBytes> decodeBase64Text(std::string_view text) {
  if (!wellFormed(text)) return std::nullopt;
  CryptoErrorScope scope("decodeBase64Text");
  SecureBytes out(text.size() / 4 * 3);
  EvpEncodeCtxPtr ctx(EVP_ENCODE_CTX_new());
  if (!ctx) return std::nullopt;
  EVP_DecodeInit(ctx.get());
  size_t produced = 0;
  // The decoder takes int lengths; a long text goes in pieces (each a whole number of groups).
  constexpr size_t kPiece = 48 * 1024;
  for (size_t at = 0; at < text.size(); at += kPiece) {
    int n = static_cast<int>(std::min(kPiece, text.size() - at));
    int got = 0;
    if (EVP_DecodeUpdate(ctx.get(), out.data() + produced, &got,
                         reinterpret_cast<const unsigned char*>(text.data() + at), n) < 0)
      return std::nullopt;
    produced += static_cast<size_t>(got);
  }
  int last = 0;
  if (EVP_DecodeFinal(ctx.get(), out.data() + produced, &last) != 1) return std::nullopt;
  produced += static_cast<size_t>(last);
  out.resize(produced);
  return out;
}

}  // namespace quervik
