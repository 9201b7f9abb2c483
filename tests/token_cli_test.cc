// quervik card against the SoftHSM2 card of the test.
#include "card_fixture.h"

namespace quervik::test {
namespace {

class CardCommand : public CardTest {
 protected:
  void SetUp() override {
    CardTest::SetUp();
    if (!fs::exists(std::string(QUERVIK_BINARY_DIR) + "/quervik")) GTEST_SKIP() << "no CLI in this tree";
  }
  ToolResult card(const std::string& args) { return runTool(std::string(QUERVIK_BINARY_DIR) + "/quervik card " + args); }
};

TEST_F(CardCommand, ListsSlotsAndShowsACard) {
  ToolResult slots = card("slots");
  EXPECT_EQ(slots.status, 0);
  EXPECT_NE(slots.output.find(slotText() + "\t" + kTokenLabel + "\n"), std::string::npos) << slots.output;
  ToolResult info = card("info --slot " + slotText());
  EXPECT_EQ(info.status, 0);
  EXPECT_NE(info.output.find(std::string("Karta (token) label            =") + kTokenLabel), std::string::npos)
      << info.output;
  ToolResult unknown = card("info --slot 4242");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.output.find("(200)"), std::string::npos) << unknown.output;
  EXPECT_EQ(card("info").status, 64);
  EXPECT_EQ(card("eject").status, 64);
}

}  // namespace
}  // namespace quervik::test
