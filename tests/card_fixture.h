// The SoftHSM2 card every card test runs against. Each test gets a token directory of its own
// (SOFTHSM2_CONF points at a configuration in the test's temporary directory), copied from a
// template made once per run: a token initialised with known PINs and, for CardTest, the
// hospital's key pair and certificate and the receiving centre's certificate, put there with
// pkcs11-tool from the key material of crypto_support.h. A missing SoftHSM2 fails the test.
//
// Objects of the standard token (all with CKA_ID = the hospital certificate's serial number
// as a DER INTEGER, 02 04 01 23 AB CD):
//   "Privatni klic:ABC"  the hospital's private key (keyMaterial().keyPem)
//   "Verejny klic:ABC"   its public key
//   "Certifikat:ABC"     its certificate (subject CN=ABC Nemocnice, O=Nemocnice Test, C=CZ)
//   "Certifikat:NRC"     the receiving centre's certificate (keyMaterial().otherCertPem; ID 4D)
#pragma once
#include "token/cryptoki.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "crypto_support.h"

namespace quervik::test {

inline constexpr const char* kUserPin = "Pin-4u7Qx";
inline constexpr const char* kSoPin = "So-Pin-93kd";
inline constexpr const char* kTokenLabel = "quervik";
inline constexpr const char* kHospitalName = "ABC";
inline constexpr const char* kCentreName = "NRC";

// The SoftHSM2 module the library loads: QUERVIK_TEST_SOFTHSM_MODULE, else the Debian path (the
// cross-built softhsm2.dll in the Windows build).
std::string softHsmModule();
// Writes a SoftHSM2 configuration of the token directory that the library and the tools both read.
void writeSoftHsmConfig(const std::string& file, const std::string& tokenDir);
// A new token of the label (the PINs above) made by softhsm2-util under the configuration; its
// slot, or nothing (and the test fails) when it could not be made.
std::optional<CK_SLOT_ID> makeToken(const std::string& config, const std::string& label);
// pkcs11-tool on the token of the label under the configuration (logged in with the user PIN when
// login is set).
ToolResult p11toolOn(const std::string& config, const std::string& token, const std::string& args, bool login = true);

class CardTest : public CryptoTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // CardTest holds the standard objects; EmptyCardTest overrides this to start bare.
  virtual bool withStandardObjects() const { return true; }

  CK_SLOT_ID slot() const { return slot_; }
  std::string slotText() const { return std::to_string(slot_); }
  std::string configFile() const { return tmp / "softhsm2.conf"; }

  // openToken with the user PIN, asserting success; the session handle.
  CK_SESSION_HANDLE openUserSession();
  // pkcs11-tool on this test's token (logged in with the user PIN when login is set).
  ToolResult p11tool(const std::string& args, bool login = true);
  // Stores the file's bytes as an object of the pkcs11-tool arguments (--type, --id, --label).
  void storeObject(const std::string& file, const std::string& args);
  // The value of the object of the type and label as pkcs11-tool reads it; "" without one.
  std::string readObject(const std::string& type, const std::string& label);
  // Handles of every object the session sees, in the module's order (up to 100).
  std::vector<CK_OBJECT_HANDLE> allObjects(CK_SESSION_HANDLE session);
  std::string labelOf(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object);

 private:
  CK_SLOT_ID slot_ = 0;
};

class EmptyCardTest : public CardTest {
 protected:
  bool withStandardObjects() const override { return false; }
};

// Stands between the library and the bound module while it lives: counts calls by function
// name and lets a test make a call fail without reaching the module. Binds the module first
// if needed (leaving it finalised).
class ModuleSpy {
 public:
  ModuleSpy();
  ~ModuleSpy();
  int calls(const std::string& function) const;
  void resetCounts() { counts_.clear(); }
  // Asked before every call with the function's name and its 1-based call number; a value is
  // returned instead of calling the module.
  std::function<std::optional<CK_RV>(const std::string& function, int call)> fault;
  // A fault that answers a function's call with a value: the given call (1-based), or every
  // call when it is 0.
  struct Failure {
    std::string function;
    int call;
    CK_RV rv;
  };
  void failCalls(std::vector<Failure> failures);
  // C_GetSlotList answers that no slot holds a token.
  bool noSlots = false;

  std::optional<CK_RV> enter(const char* function);

 private:
  std::map<std::string, int> counts_;
  CK_FUNCTION_LIST list_{};
};

}  // namespace quervik::test
