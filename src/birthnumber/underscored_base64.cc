// Base64 text with "_" line ends; see underscored_base64.h.
#include "birthnumber/underscored_base64.h"

#include <openssl/evp.h>

#include <cctype>
#include <climits>

#include "crypto/crypto_errors.h"
#include "crypto/ossl_ptr.h"

namespace quervik {
namespace {

constexpr size_t kLine = 64;

bool isBase64Character(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '/' || c == '=';
}

// Decodes one piece with a decoder of its own; appends to out. False when it does not decode.
bool decodePiece(std::string_view piece, SecureBytes& out) {
  EvpEncodeCtxPtr ctx(EVP_ENCODE_CTX_new());
  if (!ctx) return false;
  EVP_DecodeInit(ctx.get());
  unsigned char buffer[kLine];  // 64 characters decode to at most 48 bytes
  int n = 0, m = 0;
  if (EVP_DecodeUpdate(ctx.get(), buffer, &n, reinterpret_cast<const unsigned char*>(piece.data()),
                       static_cast<int>(piece.size())) < 0 ||
      EVP_DecodeFinal(ctx.get(), buffer + n, &m) < 0) {
    wipe(buffer, sizeof buffer);
    return false;
  }
  out.insert(out.end(), buffer, buffer + n + m);
  wipe(buffer, sizeof buffer);
  return true;
}

}  // namespace

std::string encodeUnderscoredBase64(std::span<const unsigned char> bytes) {
  EvpEncodeCtxPtr ctx(EVP_ENCODE_CTX_new());
  if (!ctx) return {};
  EVP_EncodeInit(ctx.get());
  std::string text;
  // Fed in pieces of 48 bytes: each comes back as one 64-character line with its line end.
  unsigned char line[kLine + 2];
  for (size_t at = 0; at < bytes.size(); at += 48) {
    int n = 0;
    size_t piece = bytes.size() - at < 48 ? bytes.size() - at : 48;
    if (EVP_EncodeUpdate(ctx.get(), line, &n, bytes.data() + at, static_cast<int>(piece)) != 1) return {};
    text.append(reinterpret_cast<char*>(line), static_cast<size_t>(n));
  }
  int n = 0;
  EVP_EncodeFinal(ctx.get(), line, &n);
  text.append(reinterpret_cast<char*>(line), static_cast<size_t>(n));
  for (char& c : text)
    if (c == '\n') c = '_';
  return text;
}

std::optional<SecureBytes> decodeUnderscoredBase64(std::string_view text) {
  CryptoErrorScope scope("decodeUnderscoredBase64");
  if (!text.empty() && text.back() == '_') text.remove_suffix(1);
  SecureBytes out;
  size_t at = 0;
  while (at < text.size()) {
    std::string_view piece = text.substr(at, kLine);
    if (!decodePiece(piece, out)) {
      drainCryptoErrors();
      return std::nullopt;
    }
    at += piece.size();
    if (piece.size() < kLine) break;
    if (at < text.size() && !isBase64Character(text[at])) ++at;
  }
  return out;
}

}  // namespace quervik
