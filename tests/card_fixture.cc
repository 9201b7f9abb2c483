// The SoftHSM2 card fixture and the module spy; see card_fixture.h.
#include "card_fixture.h"

#include <cstdlib>
#include <regex>

#include "runtime/report.h"
#include "token/attributes.h"
#include "token/module.h"
#include "token/session.h"

namespace quervik::test {
namespace {

constexpr const char* kDebianSoftHsm = "/usr/lib/softhsm/libsofthsm2.so";

struct TokenTemplate {
  std::string tokens;  // the token directory to copy
  CK_SLOT_ID slot = 0;
  bool ok = false;
};

// Runs a tool with SOFTHSM2_CONF set to the configuration.
ToolResult toolWithConfig(const std::string& config, const std::string& command) {
  return runTool("SOFTHSM2_CONF=" + shellQuote(config) + " " + command);
}

// The module the tools load: the Linux one, also when the tests run under Wine.
std::string toolModule() {
#ifdef _WIN32
  return kDebianSoftHsm;
#else
  return softHsmModule();
#endif
}

TokenTemplate makeTemplate(bool standard) {
  TokenTemplate t;
  std::string base = scratch() / (standard ? "standard" : "empty");
  fs::create_directories(base + "/tokens");
  std::string config = base + "/softhsm2.conf";
  writeSoftHsmConfig(config, base + "/tokens");
  std::optional<CK_SLOT_ID> slot = makeToken(config, kTokenLabel);
  if (!slot) return t;
  t.slot = *slot;
  t.tokens = base + "/tokens";
  if (standard) {
    const KeyMaterial& k = keyMaterial();
    std::string otherDer = base + "/other.der";
    runToolOk("openssl x509 -in " + shellQuote(k.otherCertPem) + " -outform DER -out " + shellQuote(otherDer));
    const std::string id = "02040123ABCD";
    const std::pair<std::string, std::string> writes[] = {
        {k.keyPkcs1Der, "--type privkey --id " + id + " --label 'Privatni klic:ABC'"},
        {k.pubDer, "--type pubkey --id " + id + " --label 'Verejny klic:ABC'"},
        {k.certDer, "--type cert --id " + id + " --label 'Certifikat:ABC'"},
        {otherDer, "--type cert --id 4D --label 'Certifikat:NRC'"},
    };
    for (const auto& [file, args] : writes) {
      ToolResult r = p11toolOn(config, kTokenLabel, "--write-object " + shellQuote(file) + " " + args);
      if (r.status != 0) {
        ADD_FAILURE() << "pkcs11-tool could not store " << file << ":\n" << r.output;
        return t;
      }
    }
  }
  t.ok = true;
  return t;
}

const TokenTemplate& tokenTemplate(bool standard) {
  static const TokenTemplate empty = makeTemplate(false);
  static const TokenTemplate full = makeTemplate(true);
  return standard ? full : empty;
}

ModuleSpy* gSpy = nullptr;

template <auto Member, class F, const char* Name>
struct Trampoline;

template <auto Member, class... A, const char* Name>
struct Trampoline<Member, CK_RV (*)(A...), Name> {
  static CK_RV call(A... args) {
    if (std::optional<CK_RV> r = gSpy->enter(Name)) return *r;
    return (boundModuleFunctions()->*Member)(args...);
  }
};

CK_RV spyGetSlotList(CK_BBOOL present, CK_SLOT_ID_PTR list, CK_ULONG_PTR count) {
  if (std::optional<CK_RV> r = gSpy->enter("C_GetSlotList")) return *r;
  if (gSpy->noSlots) {
    *count = 0;
    return CKR_OK;
  }
  return boundModuleFunctions()->C_GetSlotList(present, list, count);
}

#define QUERVIK_SPIED(X)                                                                                       \
  X(C_Initialize) X(C_Finalize) X(C_GetTokenInfo) X(C_GetMechanismList) X(C_OpenSession) X(C_CloseSession)     \
  X(C_Login) X(C_InitPIN) X(C_SetPIN) X(C_FindObjectsInit) X(C_FindObjects) X(C_FindObjectsFinal)              \
  X(C_GetAttributeValue) X(C_CreateObject) X(C_DestroyObject) X(C_SignInit) X(C_Sign) X(C_VerifyRecoverInit)   \
  X(C_VerifyRecover) X(C_EncryptInit) X(C_Encrypt) X(C_DecryptInit) X(C_Decrypt) X(C_DigestInit) X(C_Digest) \
  X(C_GenerateKey) X(C_GenerateKeyPair)

#define QUERVIK_NAME(f) constexpr char kSpyName_##f[] = #f;
QUERVIK_SPIED(QUERVIK_NAME)
#undef QUERVIK_NAME

}  // namespace

std::string softHsmModule() {
  const char* v = std::getenv("QUERVIK_TEST_SOFTHSM_MODULE");
#ifdef QUERVIK_TEST_SOFTHSM_DLL
  return v && *v ? v : fs::path(QUERVIK_TEST_SOFTHSM_DLL).make_preferred().string();
#else
  return v && *v ? v : kDebianSoftHsm;
#endif
}

void writeSoftHsmConfig(const std::string& file, const std::string& tokenDir) {
  // Under Wine the tools' form (/x/y) also names the directory for the library: a path without
  // a drive is on the current drive, which is Z: (the Linux root) there.
  writeFile(file, "directories.tokendir = " + toolPath(tokenDir) + "\nobjectstore.backend = file\nlog.level = ERROR\n");
}

std::optional<CK_SLOT_ID> makeToken(const std::string& config, const std::string& label) {
  ToolResult init = toolWithConfig(config, "softhsm2-util --init-token --free --label " + shellQuote(label) +
                                               " --pin " + kUserPin + " --so-pin " + kSoPin);
  std::smatch m;
  if (init.status != 0 || !std::regex_search(init.output, m, std::regex("reassigned to slot ([0-9]+)"))) {
    ADD_FAILURE() << "softhsm2-util could not initialise the token " << label << ":\n" << init.output;
    return std::nullopt;
  }
  return std::stoul(m[1]);
}

ToolResult p11toolOn(const std::string& config, const std::string& token, const std::string& args, bool login) {
  std::string command = "pkcs11-tool --module " + shellQuote(toolModule()) + " --token-label " + shellQuote(token);
  if (login) command += std::string(" --login --pin ") + kUserPin;
  return toolWithConfig(config, command + " " + args);
}

void CardTest::SetUp() {
  CryptoTest::SetUp();
  ASSERT_TRUE(fs::exists(softHsmModule())) << "SoftHSM2 is missing (" << softHsmModule()
                                            << "); scripts/setup installs it";
  const TokenTemplate& t = tokenTemplate(withStandardObjects());
  ASSERT_TRUE(t.ok);
  fs::copy(t.tokens, tmp / "tokens", fs::copy_options::recursive);
  writeSoftHsmConfig(configFile(), tmp / "tokens");
  slot_ = t.slot;
  setEnv("SOFTHSM2_CONF", configFile().c_str());
  setEnv(kModuleVariable, softHsmModule().c_str());
}

void CardTest::TearDown() {
  closeToken();
  if (moduleInitialized()) (void)finalizeModule();
  setModuleFunctions(nullptr);
  // A PIN never shows in a report.
  for (const std::string& entry : errorEntries()) {
    EXPECT_EQ(entry.find(kUserPin), std::string::npos) << entry;
    EXPECT_EQ(entry.find(kSoPin), std::string::npos) << entry;
  }
  setEnv("SOFTHSM2_CONF", nullptr);
  CryptoTest::TearDown();
}

CK_SESSION_HANDLE CardTest::openUserSession() {
  EXPECT_EQ(openToken(kUserPin, slot()), 0);
  EXPECT_NE(tokenSession(), kNoSession);
  return tokenSession();
}

ToolResult CardTest::p11tool(const std::string& args, bool login) {
  return p11toolOn(configFile(), kTokenLabel, args, login);
}

void CardTest::storeObject(const std::string& file, const std::string& args) {
  ToolResult r = p11tool("--write-object " + shellQuote(file) + " " + args);
  EXPECT_EQ(r.status, 0) << args << "\n" << r.output;
}

std::string CardTest::readObject(const std::string& type, const std::string& label) {
  std::string out = tmp / "object.bin";
  fs::remove(out);
  ToolResult r = p11tool("--read-object --type " + type + " --label " + shellQuote(label) + " -o " + shellQuote(out));
  return r.status == 0 ? readFile(out) : std::string();
}

std::vector<CK_OBJECT_HANDLE> CardTest::allObjects(CK_SESSION_HANDLE session) {
  FindOperation search(session, nullptr, 0);
  std::vector<CK_OBJECT_HANDLE> found;
  EXPECT_EQ(search.started(), CKR_OK);
  if (search.started() == CKR_OK) {
    EXPECT_EQ(search.next(100, found), CKR_OK);
  }
  return found;
}

std::string CardTest::labelOf(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object) {
  std::vector<SecureBytes> values;
  if (readAttributes(session, object, {CKA_LABEL}, values) != CKR_OK) return "<unreadable>";
  return std::string(values[0].begin(), values[0].end());
}

ModuleSpy::ModuleSpy() {
  if (!boundModuleFunctions()) {
    EXPECT_EQ(initializeModule(), CKR_OK);
    (void)finalizeModule();
  }
  const CK_FUNCTION_LIST* real = boundModuleFunctions();
  EXPECT_TRUE(real);
  if (!real) return;
  list_ = *real;
#define QUERVIK_HOOK(f) list_.f = &Trampoline<&CK_FUNCTION_LIST::f, decltype(CK_FUNCTION_LIST::f), kSpyName_##f>::call;
  QUERVIK_SPIED(QUERVIK_HOOK)
#undef QUERVIK_HOOK
  list_.C_GetSlotList = &spyGetSlotList;
  gSpy = this;
  setModuleFunctions(&list_);
}

ModuleSpy::~ModuleSpy() {
  setModuleFunctions(nullptr);
  gSpy = nullptr;
}

void ModuleSpy::failCalls(std::vector<Failure> failures) {
  fault = [failures = std::move(failures)](const std::string& f, int call) -> std::optional<CK_RV> {
    for (const Failure& x : failures)
      if (x.function == f && (x.call == 0 || x.call == call)) return x.rv;
    return std::nullopt;
  };
}

int ModuleSpy::calls(const std::string& function) const {
  auto it = counts_.find(function);
  return it == counts_.end() ? 0 : it->second;
}

std::optional<CK_RV> ModuleSpy::enter(const char* function) {
  int n = ++counts_[function];
  return fault ? fault(function, n) : std::nullopt;
}

}  // namespace quervik::test
