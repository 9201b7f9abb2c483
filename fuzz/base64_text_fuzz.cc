// Fuzz target: arbitrary bytes as a base64 text from the host. A text is either refused or
// decoded whole: every group of four characters gives its bytes (nothing dropped, nothing
// made up), and the bytes encode back to the text. Only the unused low bits of the last
// character before the padding may differ, as no encoder ever sets them.
#include <openssl/evp.h>

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "tokenadmin/base64_text.h"
#include "fuzz_temp.h"

using namespace quervik;

QUERVIK_FUZZ_TARGET(const uint8_t* data, size_t size) {
  std::string_view text = fuzz::text(data, size);
  std::optional<SecureBytes> bytes = decodeBase64Text(text);
  if (!bytes) return;
  size_t padding = text.size() - text.find_last_not_of('=') - 1;
  if (text.empty()) padding = 0;
  if (text.size() % 4 != 0 || bytes->size() != text.size() / 4 * 3 - padding) std::abort();
  std::vector<unsigned char> again(text.size() + 8);
  int n = EVP_EncodeBlock(again.data(), bytes->data(), static_cast<int>(bytes->size()));
  if (static_cast<size_t>(n) != text.size()) std::abort();
  size_t lastData = text.size() - padding - 1;
  for (size_t i = 0; i < text.size(); ++i)
    if (again[i] != static_cast<unsigned char>(text[i]) && !(padding > 0 && i == lastData)) std::abort();
}
