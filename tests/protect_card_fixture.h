// Two cards for the protected-file and key-blob tests, both SoftHSM2 tokens in the test's own
// token directory (built once per run, copied for each test):
//
// the hospital's card (slot(), the standard card of card_fixture.h) with, besides its key pair
// and certificates "ABC" and the centre's certificate "NRC":
//   "RSA_DES_KEY"                    data object: hashKey() encrypted for the hospital's key
//   "Privatni klic:ABC Nemocnice"    the hospital's private key once more, under a name that is
//                                    also a fragment of its certificate's subject (key type 0)
//   "Verejny klic:NRC0"              the centre's public key
//   "Certifikat:TC", "Privatni klic:TC"  the trust centre's certificate and private key
//                                    (trustCentreKeys(), birthnumber_support.h; the key for recovery)
// the centre's card (centreSlot(), label "centrum"):
//   "Privatni klic:NRC"              the centre's private key
//   "Certifikat:ABC"                 the hospital's certificate
//   "Verejny klic:ZZ0"               the hospital's public key
#pragma once
#include "card_fixture.h"
#include "protect_support.h"

namespace quervik::test {

inline constexpr const char* kHospitalKeyObject = "ABC Nemocnice";
inline constexpr const char* kCentreKeyObject = "NRC0";
inline constexpr const char* kHospitalPublicOnCentreCard = "ZZ0";

class ProtectCardTest : public CardTest {
 public:
  // The hospital's hashing key held in "RSA_DES_KEY".
  static const std::string& hashKey();

 protected:
  void SetUp() override;
  CK_SLOT_ID centreSlot() const;
  std::string centreSlotText() const { return std::to_string(centreSlot()); }
};

}  // namespace quervik::test
