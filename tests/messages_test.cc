// The shipped catalogue against the registry of codes: every code the library reports has a
// text whose conversions take exactly the arguments its reports pass.
#include <fstream>
#include <map>

#include "runtime/messages.h"
#include "runtime/safe_format.h"
#include "test_support.h"

namespace quervik::test {
namespace {

// The argument classes the safe formatter matches: integers and characters alike.
std::string classesOf(const char* kinds) {
  std::string out;
  for (const char* k = kinds; *k; ++k) out += (*k == 'd' || *k == 'c') ? 'i' : *k;
  return out;
}

std::map<int, std::string> shippedTexts() {
  std::map<int, std::string> texts;
  std::ifstream in(sourceCatalogue());
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '#') continue;
    int code = std::atoi(line.substr(0, 5).c_str());
    EXPECT_NE(code, 0) << "line " << number << " of the catalogue is neither a comment nor a message";
    EXPECT_LE(line.size(), 2053u) << "line " << number;
    EXPECT_FALSE(texts.count(code)) << "code " << code << " listed twice";
    texts.emplace(code, line.size() > 6 ? line.substr(6) : "");
  }
  return texts;
}

TEST(MessageCatalogue, EveryRegisteredCodeHasAFittingText) {
  std::map<int, std::string> texts = shippedTexts();
  for (const MessageSpec& m : messageRegistry()) {
    auto it = texts.find(m.code);
    if (it == texts.end()) {
      ADD_FAILURE() << m.name << " (" << m.code << ") has no text in msg/errors.msg";
      continue;
    }
    EXPECT_EQ(conversionClasses(it->second), classesOf(m.kinds))
        << m.name << " (" << m.code << "): \"" << it->second << "\"";
    for (char c : it->second) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << m.code << " is not plain ASCII";
  }
}

TEST(MessageCatalogue, RegistryCodesAreUniqueAndNamed) {
  std::map<int, const char*> seen;
  for (const MessageSpec& m : messageRegistry()) {
    EXPECT_GT(m.code, 0);
    EXPECT_TRUE(seen.emplace(m.code, m.name).second) << m.code << " registered twice";
    EXPECT_EQ(findMessageSpec(m.code), &m);
  }
  EXPECT_EQ(findMessageSpec(0), nullptr);
}

}  // namespace
}  // namespace quervik::test
