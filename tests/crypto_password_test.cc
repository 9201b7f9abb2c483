// The password callback: a given password is handed over (cut at the buffer), the console
// dialogue asks again for empty lines and failed verifications, and ends with the input.
#include <cstring>

#include "crypto/password.h"
#include "crypto_support.h"

namespace quervik::test {
namespace {

class Password : public CryptoTest {
 protected:
  // Sets the console answers; the stream stays open until the test ends.
  void answers(const std::string& text) {
    std::string file = put("answers", text);
    in_ = std::fopen(file.c_str(), "rb");
    ASSERT_TRUE(in_);
    setPasswordInput(in_);
  }
  void TearDown() override {
    setPasswordInput(nullptr);
    if (in_) std::fclose(in_);
    CryptoTest::TearDown();
  }
  FILE* in_ = nullptr;
};

TEST_F(Password, GivenPasswordIsHandedOverAndCutAtTheBuffer) {
  PasswordRequest request{"abcdefgh", nullptr};
  char buffer[16];
  CapturedStdout out;
  EXPECT_EQ(readPassword(buffer, sizeof buffer, 0, &request), 8);
  EXPECT_EQ(std::string(buffer, 8), "abcdefgh");
  EXPECT_EQ(readPassword(buffer, 5, 1, &request), 5);
  EXPECT_EQ(std::string(buffer, 5), "abcde");
  PasswordRequest empty{"", " x:"};
  EXPECT_EQ(readPassword(buffer, sizeof buffer, 0, &empty), 0);
  EXPECT_EQ(out.take(), "");
}

TEST_F(Password, VerificationStartsOverUntilBothLinesAgree) {
  answers("prvni\ndruhe\ntreti\ntreti\n");
  char buffer[32];
  PasswordRequest request{nullptr, " heslo klice:"};
  CapturedStdout out;
  EXPECT_EQ(readPassword(buffer, sizeof buffer, 1, &request), 5);
  EXPECT_EQ(std::string(buffer, 5), "treti");
  EXPECT_EQ(out.take(),
            "Zadejte heslo klice:Opakujte heslo klice:Neplatna verifikace hesla - opakujte zadani hesla\n"
            "Zadejte heslo klice:Opakujte heslo klice:");
}

TEST_F(Password, EndOfInputFailsInsteadOfAskingForever) {
  char buffer[32];
  CapturedStdout out;
  answers("");
  EXPECT_EQ(readPassword(buffer, sizeof buffer, 0, nullptr), -1);
  std::fclose(in_);
  answers("\n\n");  // only empty lines, then the end
  EXPECT_EQ(readPassword(buffer, sizeof buffer, 0, nullptr), -1);
  std::fclose(in_);
  answers("jedno\n");  // the verification line never comes
  EXPECT_EQ(readPassword(buffer, sizeof buffer, 1, nullptr), -1);
  out.take();
}

TEST_F(Password, LongLineIsCutAndItsRestDoesNotAnswerTheNextQuestion) {
  answers(std::string(40, 'a') + "\n" + std::string(40, 'a') + "\n");
  char buffer[8];
  CapturedStdout out;
  EXPECT_EQ(readPassword(buffer, sizeof buffer, 1, nullptr), 7);
  EXPECT_EQ(std::string(buffer, 7), "aaaaaaa");
  EXPECT_EQ(out.take(), "Zadejte heslo:Opakujte heslo:");
}

}  // namespace
}  // namespace quervik::test
