// The card session against SoftHSM2: opening, closing and reopening, a refused PIN, the slot
// listing, the token information, PIN changes, and modules that are missing or are not
// PKCS#11 modules at all.
#include <algorithm>

#include "card_fixture.h"
#include "runtime/report.h"
#include "token/module.h"
#include "token/session.h"

namespace quervik::test {
namespace {

using TokenSession = CardTest;

TEST_F(TokenSession, SlotListHoldsTheTokenAndLeavesTheModuleInitialised) {
  std::vector<CK_SLOT_ID> slots = listTokenSlots();
  EXPECT_NE(std::find(slots.begin(), slots.end(), slot()), slots.end());
  EXPECT_TRUE(moduleInitialized());
  // The next session initialises the module again, which the module answers as done already.
  ASSERT_EQ(openToken(kUserPin, slot()), 0);
  EXPECT_EQ(closeToken(), 0);
  EXPECT_TRUE(reportedCodes().empty());
}

TEST_F(TokenSession, SlotListFailuresReportTheirCodes) {
  ModuleSpy spy;
  spy.noSlots = true;
  EXPECT_TRUE(listTokenSlots().empty());
  EXPECT_EQ(reportedCodes(), std::vector<int>{199});
  clearErrors();
  spy.noSlots = false;
  // Call 3 is the second call of the next listing.
  spy.failCalls({{"C_GetSlotList", 1, CKR_GENERAL_ERROR}, {"C_GetSlotList", 3, CKR_DEVICE_ERROR}});
  spy.resetCounts();
  EXPECT_TRUE(listTokenSlots().empty());
  EXPECT_TRUE(listTokenSlots().empty());
  EXPECT_EQ(reportedCodes(), (std::vector<int>{198, 199}));
  EXPECT_EQ(spy.calls("C_GetSlotList"), 3);
}

// A change and the officer's setting of the PIN run through quervik card set-pin (its test).
TEST_F(TokenSession, PinChangeWithoutANewPinIsRefused) {
  CK_SESSION_HANDLE s = openUserSession();
  EXPECT_EQ(setTokenPin(s, kUserPin, nullptr), CKR_ATTRIBUTE_VALUE_INVALID);
  EXPECT_EQ(reportedCodes(), std::vector<int>{201});
}

class ModuleBinding : public CryptoTest {
 protected:
  void TearDown() override {
    closeToken();
    unloadModule();
    setEnv(kModuleVariable, saved_ ? saved_->c_str() : nullptr);
    CryptoTest::TearDown();
  }
  void useModule(const std::string& name) {
    if (const char* v = std::getenv(kModuleVariable)) saved_ = v;
    setEnv(kModuleVariable, name.c_str());
  }
  std::optional<std::string> saved_;
};

TEST_F(ModuleBinding, ModulesThatCannotServeFailLikeAFailingInitialize) {
  std::string text = put("not-a-module.so", "this is no shared library\n");
  // A missing file, a file that is no library, a library that is no PKCS#11 module, and the
  // default name, which this system does not have.
  for (const std::string& name : {tmp / "missing.so", text, std::string("libcrypto.so.3"), std::string()}) {
    if (name.empty()) {
      setEnv(kModuleVariable, nullptr);
    } else {
      useModule(name);
    }
    clearErrors();
    EXPECT_EQ(openToken(kUserPin, 1), -1) << name;
    EXPECT_EQ(reportedCodes(), (std::vector<int>{197, 223})) << name;
    EXPECT_EQ(tokenSession(), kNoSession);
    clearErrors();
    EXPECT_TRUE(listTokenSlots().empty());
    EXPECT_EQ(reportedCodes(), std::vector<int>{197});
    EXPECT_EQ(closeToken(), 0);
  }
}

TEST_F(ModuleBinding, CallsWithoutAModuleFailQuietly) {
  useModule(tmp / "missing.so");
  unloadModule();
  EXPECT_EQ(callModule(&CK_FUNCTION_LIST::C_FindObjectsInit, CK_SESSION_HANDLE(1), nullptr, CK_ULONG(0)),
            CKR_CRYPTOKI_NOT_INITIALIZED);
  EXPECT_EQ(printTokenInfo(1), CKR_CRYPTOKI_NOT_INITIALIZED);
  EXPECT_EQ(reportedCodes(), std::vector<int>{200});
}

}  // namespace
}  // namespace quervik::test
