// Birth-number test helpers; see birthnumber_support.h.
#include "birthnumber_support.h"

#include <openssl/evp.h>

#include <cstdio>

namespace quervik::test {
namespace {

std::string blocksOf(const std::string& number) {
  std::string field = number.substr(0, 10);
  field.resize(11, '\0');
  return field.substr(0, 5) + std::string(3, '\0') + field.substr(5, 5) + std::string(3, '\0');
}

std::string hexLower(const std::string& bytes) {
  std::string out = hexOf(bytes);
  for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

const TrustCentreKeys& trustCentreKeys() {
  static const TrustCentreKeys keys = [] {
    TrustCentreKeys k;
    auto q = shellQuote;
    runToolOk("openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:1024 -out " + q(k.keyPem));
    runToolOk("openssl rsa -in " + q(k.keyPem) + " -traditional -outform DER -out " + q(k.keyPkcs1Der));
    runToolOk("openssl pkey -in " + q(k.keyPem) + " -pubout -out " + q(k.pubPem));
    runToolOk("openssl pkey -in " + q(k.keyPem) + " -pubout -outform DER -out " + q(k.pubDer));
    runToolOk("openssl req -x509 -new -key " + q(k.keyPem) +
              " -subj '/C=CZ/O=Duveryhodne centrum/CN=TC Duveryhodne centrum' -days 3650 -sha256 -set_serial 0x54"
              " -out " + q(k.certPem));
    runToolOk("openssl x509 -in " + q(k.certPem) + " -outform DER -out " + q(k.certDer));
    return k;
  }();
  return keys;
}

std::string bRecord(int document, const std::string& birthNumber) {
  char head[16];
  std::snprintf(head, sizeof head, "B%07d", document % 10000000);
  // Columns 9-83: document kind, sex, dates, diagnosis, provider numbers, specialties.
  std::string record = std::string(head) + "02M19800101" + "11A000" + "12345678" + "VS0001" + "87654321" +
                       "VS0002" + "101" + "102" + "20240101" + "20240102" + "20240110";
  record.resize(83, ' ');
  std::string patient = birthNumber;
  patient.resize(41, ' ');
  return record + patient;
}

std::vector<std::string> oracleCodes(const std::string& hashKey24, const std::vector<std::string>& numbers) {
  std::string blocks;
  for (const std::string& n : numbers) blocks += blocksOf(n);
  std::string encrypted = toolEncrypt(hexOf(hashKey24), blocks);
  std::vector<std::string> codes;
  for (size_t i = 0; i < numbers.size(); ++i) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EXPECT_EQ(EVP_Digest(encrypted.data() + 16 * i, 16, digest, &length, EVP_sha1(), nullptr), 1);
    codes.push_back(hexLower(std::string(reinterpret_cast<char*>(digest), length)));
  }
  return codes;
}

std::string oracleCode(const std::string& hashKey24, const std::string& number) {
  return oracleCodes(hashKey24, {number})[0];
}

std::string toolBirthNumberOf(const std::string& sessionKey24, const std::string& identifier) {
  std::string encrypted = toolOutput("openssl base64 -d -A", identifier);
  std::string blocks = toolOutput("openssl enc -d -des-ede3 -nopad -K " + hexOf(sessionKey24), encrypted);
  if (blocks.size() != 16) return "<" + std::to_string(blocks.size()) + " bytes>";
  std::string number = blocks.substr(0, 5) + blocks.substr(8, 5);
  while (!number.empty() && number.back() == '\0') number.pop_back();
  return number;
}

CodedBatch splitCodedBatch(const std::string& text) {
  CodedBatch batch;
  for (const std::string& line : splitLines(text)) {
    if (!line.empty() && line[0] == 'X' && batch.keyRecord.empty())
      batch.keyRecord = line;
    else if (!batch.keyRecord.empty())
      batch.identifierRecords.push_back(line);
    else
      batch.lines.push_back(line);
  }
  return batch;
}

std::string toolSessionKeyOf(const std::string& keyRecord) {
  if (keyRecord.size() != 351) return "";
  auto open = [](std::string text, const std::string& keyFile) {
    for (char& c : text)
      if (c == '_') c = '\n';
    std::string block = toolOutput("openssl base64 -d", text);
    return toolOutput("openssl pkeyutl -decrypt -inkey " + shellQuote(keyFile), block);
  };
  std::string a = open(keyRecord.substr(1, 175), keyMaterial().otherKeyPem);
  std::string b = open(keyRecord.substr(176, 175), trustCentreKeys().keyPem);
  if (a.size() != 24 || b.size() != 24) return "";
  std::string key(24, '\0');
  for (size_t i = 0; i < 24; ++i) key[i] = static_cast<char>(a[i] ^ b[i]);
  return key;
}

std::vector<std::string> filesHolding(const std::string& dir, const std::vector<std::string>& texts) {
  std::vector<std::string> found;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    const std::string content = readFile(it->path().string());
    for (const std::string& t : texts)
      if (content.find(t) != std::string::npos) {
        found.push_back(it->path().string());
        break;
      }
  }
  return found;
}

}  // namespace quervik::test
