// The DN text of a certificate; see certificate.h.
#include "crypto/certificate.h"

#include <openssl/objects.h>

#include <algorithm>
#include <cstring>

#include "crypto/crypto_errors.h"

namespace quervik {

std::string certificateDnText(const X509* certificate) {
  CryptoErrorScope scope("certificateDnText");
  std::string text;
  if (!certificate) return text;
  const X509_NAME* name = X509_get_subject_name(certificate);  // get0: borrowed
  int count = name ? X509_NAME_entry_count(name) : 0;
  for (int i = count - 1; i >= 0 && text.size() < kMaxDnText; --i) {
    const X509_NAME_ENTRY* entry = X509_NAME_get_entry(name, i);
    if (!entry) continue;
    const char* shortName = OBJ_nid2sn(OBJ_obj2nid(X509_NAME_ENTRY_get_object(entry)));
    if (!shortName) shortName = "UNDEF";
    if (std::strcmp(shortName, "emailAddress") == 0) continue;
    const ASN1_STRING* value = X509_NAME_ENTRY_get_data(entry);
    const char* bytes = value ? reinterpret_cast<const char*>(ASN1_STRING_get0_data(value)) : "";
    size_t length = value ? static_cast<size_t>(ASN1_STRING_length(value)) : 0;
    text += shortName;
    text += '=';
    text.append(bytes, strnlen(bytes, length));
    if (i != 0) text += ',';
  }
  if (text.size() > kMaxDnText) text.resize(kMaxDnText);
  return text;
}

bool containsIgnoringCase(std::string_view text, std::string_view pattern) {
  auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  auto it = std::search(text.begin(), text.end(), pattern.begin(), pattern.end(),
                        [&](char a, char b) { return fold(a) == fold(b); });
  return it != text.end() || pattern.empty();
}

}  // namespace quervik
