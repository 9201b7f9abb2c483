// quervik card: the hospital's card tools. What the host application does through its exports
// (store certificates and data objects, remove objects, read a certificate's DN), the card
// operations no export reaches (PINs, key pairs, public keys, certificate export), and making
// the hospital's hashing key. PINs come from an option, an environment variable or a prompt
// without echo, and are never printed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "birthnumber/card_keys.h"
#include "cli/cli.h"
#include "cli/key_sizes.h"
#include "crypto/certificate.h"
#include "crypto/key_files.h"
#include "crypto/password.h"
#include "crypto/secure_bytes.h"
#include "runtime/catalogue.h"
#include "runtime/leading_number.h"
#include "runtime/paths.h"
#include "runtime/platform.h"
#include "token/module.h"
#include "token/objects.h"
#include "token/operations.h"
#include "token/session.h"
#include "tokenadmin/card_admin.h"
#include "tokenadmin/card_tools.h"
#include "tokenadmin/certificate_request.h"
#include "tokenadmin/hash_key.h"

namespace quervik::cli {
namespace {

constexpr int kDone = 0, kNothingFound = 1, kFailed = 2;

const OptionSpec kSpecs[] = {
    {"slot", 's', true},  {"pin", 0, true},       {"new-pin", 0, true},     {"so-pin", 0, true}, {"so", 0, false},
    {"label", 'l', true}, {"name", 'n', true},    {"public-name", 0, true}, {"file", 'f', true}, {"out", 'o', true},
    {"all", 0, false},    {"pattern", 'p', true}, {"bits", 0, true},        {"cert", 0, true},   {"cert-file", 0, true},
    {"store", 0, false},  {"key", 0, true},       {"subject", 0, true},
};

// A PIN held in wiping storage, terminated.
class Pin {
 public:
  const char* get() const { return bytes_.empty() ? nullptr : reinterpret_cast<const char*>(bytes_.data()); }
  void set(const char* text, size_t length) {
    bytes_.assign(text, text + length);
    bytes_.push_back('\0');
  }

 private:
  SecureBytes bytes_;
};

// The PIN from the option, else the environment variable, else asked at the console (twice
// when verify is set). False when the console input ended without one.
bool readPin(const ParsedArgs& args, const char* option, const char* variable, const char* prompt, bool verify,
             Pin& pin) {
  const char* given = args.value(option);
  if (!given) given = std::getenv(variable);
  if (given) {
    pin.set(given, std::strlen(given));
    return true;
  }
  SecureBytes buffer(256);
  PasswordRequest request;
  request.prompt = prompt;
  int n =
      readPassword(reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()), verify ? 1 : 0, &request);
  if (n <= 0) {
    std::fprintf(stderr, "quervik card: no PIN given\n");
    return false;
  }
  pin.set(reinterpret_cast<const char*>(buffer.data()), static_cast<size_t>(n));
  return true;
}

// The card session of one action, closed on every way out.
class Session {
 public:
  ~Session() { closeToken(); }
  // Opens it on the slot with the user's PIN (read first). False after printing why.
  bool open(const ParsedArgs& args) {
    Pin pin;
    if (!readPin(args, "pin", "QUERVIK_PIN", " PIN karty:", false, pin)) return false;
    return openToken(pin.get(), slot(args)) == 0;
  }
  static CK_SLOT_ID slot(const ParsedArgs& args) { return static_cast<CK_SLOT_ID>(slotNumber(args.value("slot"))); }
  CK_SESSION_HANDLE handle() const { return tokenSession(); }
};

// The bytes of a whole file; false after a message.
bool readWhole(const char* name, std::vector<unsigned char>& bytes) {
  int64_t size = fileSize(name);
  FILE* f = size >= 0 ? openFile(name, "rb") : nullptr;
  if (!f) {
    std::fprintf(stderr, "quervik card: cannot read %s\n", name);
    return false;
  }
  bytes.resize(static_cast<size_t>(size));
  bool whole = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
  std::fclose(f);
  if (!whole) std::fprintf(stderr, "quervik card: cannot read %s\n", name);
  return whole;
}

const char* className(CK_OBJECT_CLASS c) {
  switch (c) {
    case CKO_DATA: return "data";
    case CKO_CERTIFICATE: return "certificate";
    case CKO_PUBLIC_KEY: return "public-key";
    case CKO_PRIVATE_KEY: return "private-key";
    case CKO_SECRET_KEY: return "secret-key";
    default: return "other";
  }
}

// A label as it can be shown on a terminal: bytes below the blank and DEL as \xNN.
std::string printable(const std::string& label) {
  std::string out;
  for (unsigned char c : label) {
    if (c < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

int slots(const ParsedArgs&) {
  std::optional<std::vector<SlotCard>> cards = cardsInSlots();
  if (!cards) return kFailed;
  for (const SlotCard& card : *cards)
    std::printf("%lu\t%s\n", static_cast<unsigned long>(card.slot),
                card.initialized ? printable(card.label).c_str() : "(no initialised card)");
  return kDone;
}

int info(const ParsedArgs& args) {
  if (initializeModule() != CKR_OK) return kFailed;
  return printTokenInfo(Session::slot(args)) == CKR_OK ? kDone : kFailed;
}

int list(const ParsedArgs& args) {
  Session session;
  if (!session.open(args)) return kFailed;
  std::vector<CardObject> objects;
  if (listCardObjects(session.handle(), objects) != CKR_OK) {
    std::fprintf(stderr, "quervik card: the objects on the card cannot be listed\n");
    return kFailed;
  }
  for (const CardObject& o : objects) std::printf("%-12s %s\n", className(o.objectClass), printable(o.label).c_str());
  return kDone;
}

int loadCert(const ParsedArgs& args) {
  std::vector<unsigned char> bytes;
  if (!readWhole(args.value("file"), bytes)) return kFailed;
  // DER as it comes from a certification authority, or PEM.
  X509Ptr certificate = parseCertificateDer(bytes.data(), bytes.size());
  if (!certificate) certificate = readCertificatePem(args.value("file"), kPemFormat);
  if (!certificate) {
    std::fprintf(stderr, "quervik card: %s holds no certificate\n", args.value("file"));
    return kFailed;
  }
  Session session;
  if (!session.open(args)) return kFailed;
  const char* label = args.value("label");
  const char* key = args.value("key");
  static const char* const kWhy[] = {"", "there is no private key of that name",
                                     "the key pair does not hold the certificate's key",
                                     "the card refused to change the keys"};
  // The pair is checked before anything is stored, so a wrong --key leaves the card as it was.
  if (int rc = key ? keyPairMatchesCertificate(session.handle(), certificate.get(), key) : 0) {
    std::fprintf(stderr, "quervik card: the certificate was not stored: %s\n", kWhy[-rc]);
    return kFailed;
  }
  if (storeCertificate(session.handle(), label, certificate.get()) != 0) return kFailed;
  std::printf("stored as \"%s%s\"\n", kCertificatePrefix, label);
  if (!key) return kDone;
  if (int rc = linkKeyPairToCertificate(session.handle(), certificate.get(), key)) {
    std::fprintf(stderr, "quervik card: the key pair \"%s\" was not linked to the certificate: %s\n", key, kWhy[-rc]);
    return kFailed;
  }
  std::printf("key pair \"%s\" linked to the certificate\n", key);
  return kDone;
}

int loadData(const ParsedArgs& args) {
  std::vector<unsigned char> bytes;
  if (!readWhole(args.value("file"), bytes)) return kFailed;
  if (bytes.empty()) {
    std::fprintf(stderr, "quervik card: %s is empty, nothing to store\n", args.value("file"));
    return kFailed;
  }
  Session session;
  if (!session.open(args)) return kFailed;
  if (storeDataObject(session.handle(), args.value("label"), bytes.data(), bytes.size()) != 0) return kFailed;
  std::printf("stored as \"%s\" (%zu bytes)\n", args.value("label"), bytes.size());
  return kDone;
}

int remove(const ParsedArgs& args) {
  Session session;
  if (!session.open(args)) return kFailed;
  int rc = removeObject(session.handle(), args.flag("all") ? nullptr : args.value("label"));
  if (args.flag("all")) std::printf("\n");  // after the dots
  return rc == 0 ? kDone : kFailed;
}

int dn(const ParsedArgs& args) {
  Session session;
  if (!session.open(args)) return kFailed;
  std::optional<std::string> text = findUserDN(args.value("pattern"), kMaxDnText);
  if (!text) return kNothingFound;
  std::printf("%s\n", text->c_str());
  return kDone;
}

int setPin(const ParsedArgs& args) {
  const bool officer = args.flag("so");
  Pin current, fresh;
  if (officer ? !readPin(args, "so-pin", "QUERVIK_SO_PIN", " PIN bezpecnostniho spravce karty:", false, current)
              : !readPin(args, "pin", "QUERVIK_PIN", " PIN karty:", false, current))
    return kFailed;
  if (!readPin(args, "new-pin", "QUERVIK_NEW_PIN", " novy PIN karty:", true, fresh)) return kFailed;
  CK_SESSION_HANDLE session = kNoSession;
  if (startSession(Session::slot(args), &session) != CKR_OK) {
    std::fprintf(stderr, "quervik card: no session with the card in slot %s\n", args.value("slot"));
    (void)finalizeModule();
    return kFailed;
  }
  // The officer sets the user's PIN without knowing it; the user changes a PIN they know.
  CK_RV rv = callModule(&CK_FUNCTION_LIST::C_Login, session, CK_USER_TYPE(officer ? CKU_SO : CKU_USER),
                        reinterpret_cast<CK_UTF8CHAR_PTR>(const_cast<char*>(current.get())),
                        static_cast<CK_ULONG>(std::strlen(current.get())));
  if (rv == CKR_OK) rv = setTokenPin(session, officer ? nullptr : current.get(), fresh.get());
  (void)endSession(session);
  if (rv != CKR_OK) {
    std::fprintf(stderr, "quervik card: the PIN was not changed (card answer 0x%lX)\n", static_cast<unsigned long>(rv));
    return kFailed;
  }
  std::printf("PIN changed\n");
  return kDone;
}

int genKeypair(const ParsedArgs& args) {
  const char* name = args.value("name");
  const char* publicName = args.value("public-name") ? args.value("public-name") : name;
  int64_t bits = args.value("bits") ? leadingInteger(args.value("bits")) : kKeyBits;
  if (bits != kKeyBits) {
    std::fprintf(stderr,
                 "quervik card: a key pair has %d bits: protected files and birth-number records hold 128-byte "
                 "RSA blocks, so no other size could be used\n",
                 kKeyBits);
    return kFailed;
  }
  Session session;
  if (!session.open(args)) return kFailed;
  // A second pair under the same names would make every lookup by name ambiguous.
  CK_OBJECT_HANDLE existing = CK_INVALID_HANDLE;
  if (findObjectOfClass(session.handle(), CKO_PRIVATE_KEY, std::string(kPrivateKeyPrefix) + name, &existing) ==
          CKR_OK ||
      findObjectOfClass(session.handle(), CKO_PUBLIC_KEY, std::string(kPublicKeyPrefix) + publicName, &existing) ==
          CKR_OK) {
    std::fprintf(stderr, "quervik card: a key of that name is already on the card\n");
    return kFailed;
  }
  CK_OBJECT_HANDLE pub = CK_INVALID_HANDLE, priv = CK_INVALID_HANDLE;
  return generateKeyPair(session.handle(), static_cast<CK_ULONG>(bits), &pub, &priv, publicName, name) == CKR_OK
             ? kDone
             : kFailed;
}

int importPubkey(const ParsedArgs& args) {
  Session session;
  if (!session.open(args)) return kFailed;
  const char* name = args.value("name");
  CK_OBJECT_HANDLE existing = CK_INVALID_HANDLE;
  if (name &&
      findObjectOfClass(session.handle(), CKO_PUBLIC_KEY, std::string(kPublicKeyPrefix) + name, &existing) == CKR_OK) {
    std::fprintf(stderr, "quervik card: a public key of that name is already on the card\n");
    return kFailed;
  }
  if (importPublicKey(session.handle(), args.value("file"), name) != CKR_OK) return kFailed;
  std::printf("stored as \"%s%s\"\n", kPublicKeyPrefix, name);
  return kDone;
}

int exportPubkey(const ParsedArgs& args) {
  Session session;
  if (!session.open(args)) return kFailed;
  CK_OBJECT_HANDLE key = CK_INVALID_HANDLE;
  if (findObjectOfClass(session.handle(), CKO_PUBLIC_KEY, std::string(kPublicKeyPrefix) + args.value("name"), &key) !=
      CKR_OK) {
    std::fprintf(stderr, "quervik card: no public key \"%s%s\" on the card\n", kPublicKeyPrefix, args.value("name"));
    return kNothingFound;
  }
  return exportPublicKey(session.handle(), key, args.value("out")) == CKR_OK ? kDone : kFailed;
}

int exportCert(const ParsedArgs& args) {
  Session session;
  if (!session.open(args)) return kFailed;
  CK_OBJECT_HANDLE certificate = CK_INVALID_HANDLE;
  if (findCertificateByName(session.handle(), args.value("name"), &certificate) != CKR_OK) {
    std::fprintf(stderr, "quervik card: no certificate \"%s\" on the card\n", args.value("name"));
    return kNothingFound;
  }
  if (exportCertificate(session.handle(), certificate, args.value("out")) != CKR_OK) {
    std::fprintf(stderr, "quervik card: the certificate could not be written to %s\n", args.value("out"));
    return kFailed;
  }
  std::printf("certificate written to %s\n", args.value("out"));
  return kDone;
}

int makeHashKeyAction(const ParsedArgs& args) {
  HashKeyTarget target;
  target.certificateName = args.value("cert");
  target.certificateFile = args.value("cert-file");
  target.cardObject = args.flag("store") ? (args.value("label") ? args.value("label") : kHashKeyObjectName) : nullptr;
  target.blobFile = args.value("out");
  if (target.blobFile && isRegularFile(target.blobFile) != -1) {
    std::fprintf(stderr, "quervik card: %s exists; a hashing key is never replaced (remove it first)\n",
                 target.blobFile);
    return kFailed;
  }
  Session session;
  if ((target.certificateName || target.cardObject) && !session.open(args)) return kFailed;
  if (int made = makeHashKey(target); made != 0) {
    if (made == kHashKeyCertificateNotFitting)
      std::fprintf(stderr, "quervik card: the certificate's key is not a %d-bit RSA key, so the signing and "
                   "birth-number work could not open its blob; no key was made\n", kKeyBits);
    return kFailed;
  }
  if (target.cardObject) std::printf("key blob stored on the card as \"%s\"\n", target.cardObject);
  if (target.blobFile) std::printf("key blob written to %s\n", target.blobFile);
  return kDone;
}

int csrAction(const ParsedArgs& args) {
  Session session;
  if (!session.open(args)) return kFailed;
  switch (writeCertificateRequest(session.handle(), args.value("name"), args.value("subject"), args.value("out"))) {
    case 0:
      std::printf("certificate request written to %s\n", args.value("out"));
      return kDone;
    case -1:
      std::fprintf(stderr, "quervik card: the subject must read /FIELD=value/..., e.g. /C=CZ/O=Nemocnice/CN=ABC\n");
      return kFailed;
    case -2:
      std::fprintf(stderr, "quervik card: no key pair \"%s\" on the card (card gen-keypair makes one)\n",
                   args.value("name"));
      return kNothingFound;
    case -3:
      return kFailed;  // the card's refusal is among the findings
    default:
      std::fprintf(stderr, "quervik card: the request could not be written to %s\n", args.value("out"));
      return kFailed;
  }
}

struct Action {
  const char* name;
  int (*run)(const ParsedArgs& args);
  const char* required;  // options every use needs, blank-separated
};

const Action kActions[] = {
    {"slots", slots, ""},
    {"info", info, "slot"},
    {"list", list, "slot"},
    {"load-cert", loadCert, "slot label file"},
    {"load-data", loadData, "slot label file"},
    {"delete", remove, "slot"},
    {"dn", dn, "slot pattern"},
    {"set-pin", setPin, "slot"},
    {"gen-keypair", genKeypair, "slot name"},
    {"import-pubkey", importPubkey, "slot name file"},
    {"export-pubkey", exportPubkey, "slot name out"},
    {"export-cert", exportCert, "slot name out"},
    {"make-hash-key", makeHashKeyAction, ""},
    {"csr", csrAction, "slot name subject out"},
};

// The usage problem of the arguments, or "" when they fit the action.
std::string misuse(const Action& action, const ParsedArgs& args) {
  std::string required = action.required;
  for (size_t at = 0; at < required.size();) {
    size_t end = required.find(' ', at);
    if (end == std::string::npos) end = required.size();
    std::string option = required.substr(at, end - at);
    if (!args.value(option)) return std::string(action.name) + " needs --" + option;
    at = end + 1;
  }
  const std::string name = action.name;
  if (name == "delete" && args.flag("all") == (args.value("label") != nullptr))
    return "delete needs --label LABEL or --all (not both)";
  if (name == "make-hash-key") {
    if ((args.value("cert") != nullptr) == (args.value("cert-file") != nullptr))
      return "make-hash-key needs --cert NAME or --cert-file FILE (one of them)";
    if (!args.flag("store") && !args.value("out")) return "make-hash-key needs --store, --out FILE or both";
    if ((args.value("cert") || args.flag("store")) && !args.value("slot"))
      return "make-hash-key needs --slot for a certificate or a blob on the card";
  }
  return "";
}

}  // namespace

int runCard(int argc, char** argv) {
  const Command& self = *findCommand("card");
  ParsedArgs args = parseArgs(argc, argv, kSpecs);
  if (args.help) return std::fputs(self.help, stdout), 0;
  if (!args.error.empty()) return usageError(self, args.error);
  if (args.positional.size() != 1) return usageError(self, "one action is needed");
  const Action* action = nullptr;
  for (const Action& a : kActions)
    if (args.positional[0] == a.name) action = &a;
  if (!action) return usageError(self, "unknown card action '" + args.positional[0] + "'");
  if (std::string problem = misuse(*action, args); !problem.empty()) return usageError(self, problem);
  setMessageFile(kDefaultMessageFile);
  int status = action->run(args);
  closeToken();
  if (moduleInitialized()) (void)finalizeModule();
  printFindings();
  return status;
}

}  // namespace quervik::cli
