// quervik sign / open / dn / check-key: protected files for the receiving centre from the
// command line. With --slot the keys are objects on the card, named as on the card; without
// it they are PEM files (or DER files with --der when opening).
#include <climits>
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "cli/findings_output.h"
#include "cli/key_sizes.h"
#include "container/open.h"
#include "container/sign.h"
#include "birthnumber/card_keys.h"
#include "container/protected_file.h"
#include "runtime/leading_number.h"
#include "runtime/report.h"
#include "runtime/report_sink.h"
#include "token/session.h"
#include "runtime/platform.h"

namespace quervik::cli {
namespace {

// The key type as given: 0 or 1, anything else becomes 2 (the driver refuses it).
int keyTypeOf(const char* text) {
  if (!text) return 1;
  int64_t v = leadingInteger(text);
  return v == 0 || v == 1 ? static_cast<int>(v) : 2;
}

// The card PIN (else $QUERVIK_PIN) with a card, the key file's password without one; either
// serves when only one is given.
const char* secretOf(const ParsedArgs& args) {
  const char* pin = args.value("card-pin");
  const char* password = args.value("password");
  if (args.value("slot")) return password && !pin ? password : cardPin(args, "card-pin");
  return password ? password : pin;
}

int statusOf(int result) { return result == 2 ? kUsageExit : exitStatus(result); }

// Signing on the card fails without a report when no certificate's subject holds the
// hospital's name; the command says so.
void explainUnknownSender(const char* slotText, const char* pin, const char* name) {
  installReportSink(nullptr);  // what the card says now is no finding of the run
  if (openToken(pin, static_cast<CK_SLOT_ID>(slotNumber(slotText))) == 0 && !findUserDN(name, kMaxDnText))
    std::fprintf(stderr,
                 "quervik sign: no certificate on the card has \"%s\" in its subject; -k names the hospital's "
                 "certificate by a part of its subject (its CN, for example)\n",
                 name);
  (void)closeToken();
  clearErrors();
}

// A DER key file's bytes for --der; false when it cannot be read.
bool readKey(const char* name, std::string& bytes) {
  FILE* f = name ? openFile(name, "rb") : nullptr;
  if (!f) return false;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
  std::fclose(f);
  return !bytes.empty() && bytes.size() < INT32_MAX;
}

}  // namespace

int runSign(int argc, char** argv) {
  static const OptionSpec specs[] = {{"card-pin", 'c', true, "pin"}, {"centre-key", 'f', true},
                                     {"hospital-key", 'k', true},     {"password", 'p', true},
                                     {"output", 'o', true, "out"},    {"key-type", 't', true},
                                     {"slot", 's', true},             {"hash-key", 0, true},
                                     kFormatOption};
  const Command& self = *findCommand("sign");
  ParsedArgs args = parseArgs(argc, argv, specs);
  if (args.help) return std::fputs(self.help, stdout), 0;
  if (!args.error.empty()) return usageError(self, args.error);
  if (args.positional.size() != 1) return usageError(self, "one input file is needed");
  if (!args.value("centre-key") || !args.value("hospital-key"))
    return usageError(self, "--centre-key and --hospital-key are needed");
  // JSON findings go to standard error when standard output carries the protected file.
  FindingsOutput findings(self, args, args.value("output") ? stdout : stderr);
  if (!findings.valid()) return findings.usageStatus();
  const char* hashKey = args.value("hash-key") ? args.value("hash-key") : "RSA_DES_KEY";
  const KeyFile::Kind publicKind = keyTypeOf(args.value("key-type")) == 1 ? KeyFile::Certificate : KeyFile::PublicKey;
  const bool byCertificate = publicKind == KeyFile::Certificate;
  if (args.value("slot")
          ? !cardKeysFit(self, args.value("slot"), secretOf(args),
                         {{"the centre's key", args.value("centre-key"), byCertificate},
                          {"the hospital's key", args.value("hospital-key"), byCertificate}})
          : !keyFilesFit(self, {{"the centre's key", args.value("centre-key"), publicKind},
                                {"the hospital's key", args.value("hospital-key"), KeyFile::PrivateKey,
                                 secretOf(args)}}))
    return findings.printFindings(), findings.finish(1, kFailedExit);
  int result = runDriver([&] {
    return signProtectedFile(args.positional[0].c_str(), args.value("output"), args.value("slot"), hashKey,
                             args.value("centre-key"), keyTypeOf(args.value("key-type")), args.value("hospital-key"),
                             secretOf(args));
  });
  // Only a failure without a single report is the unknown sender; after a refused PIN (224)
  // the card is never asked again, so a wrong PIN costs one attempt.
  const bool silent = errorEntries().empty();
  findings.printFindings();
  const int status = findings.finish(result, statusOf(result));
  if (result != 0 && silent && args.value("slot"))
    explainUnknownSender(args.value("slot"), secretOf(args), args.value("hospital-key"));
  return status;
}

int runOpen(int argc, char** argv) {
  static const OptionSpec specs[] = {{"card-pin", 'c', true, "pin"}, {"centre-key", 'k', true},
                                     {"hospital-key", 'f', true},     {"password", 'p', true},
                                     {"output", 'o', true, "out"},    {"key-type", 't', true},
                                     {"slot", 's', true},             {"der", 0, false},
                                     kFormatOption};
  const Command& self = *findCommand("open");
  ParsedArgs args = parseArgs(argc, argv, specs);
  if (args.help) return std::fputs(self.help, stdout), 0;
  if (!args.error.empty()) return usageError(self, args.error);
  if (args.positional.size() != 1) return usageError(self, "one protected file is needed");
  const char* privateKey = args.value("centre-key");
  const char* publicKey = args.value("hospital-key");
  if (!privateKey || !publicKey) return usageError(self, "--centre-key and --hospital-key are needed");
  // JSON findings go to standard error when standard output carries the opened content.
  FindingsOutput findings(self, args, args.value("output") ? stdout : stderr);
  if (!findings.valid()) return findings.usageStatus();
  std::string privateDer, publicDer;
  bool der = args.flag("der");
  if (der && (args.value("slot") || !readKey(privateKey, privateDer) || !readKey(publicKey, publicDer)))
    return usageError(self, "--der needs two readable key files and no --slot");
  const KeyFile::Kind publicKind = keyTypeOf(args.value("key-type")) == 1 ? KeyFile::Certificate : KeyFile::PublicKey;
  if (!der && (args.value("slot") ? !cardKeysFit(self, args.value("slot"), secretOf(args),
                                                 {{"the centre's key", privateKey, false},
                                                  {"the hospital's key", publicKey,
                                                   publicKind == KeyFile::Certificate}})
                                  : !keyFilesFit(self, {{"the centre's key", privateKey, KeyFile::PrivateKey,
                                                         secretOf(args)},
                                                        {"the hospital's key", publicKey, publicKind}})))
    return findings.printFindings(), findings.finish(1, kFailedExit);
  int result = runDriver([&] {
    return openProtectedFile(args.positional[0].c_str(), args.value("output"), args.value("slot"),
                             der ? static_cast<const void*>(privateDer.data()) : privateKey,
                             der ? static_cast<int32_t>(privateDer.size()) : -1,
                             der ? static_cast<const void*>(publicDer.data()) : publicKey,
                             der ? static_cast<int32_t>(publicDer.size()) : -1, keyTypeOf(args.value("key-type")),
                             secretOf(args));
  });
  findings.printFindings();
  return findings.finish(result, statusOf(result));
}

int runDn(int argc, char** argv) {
  const Command& self = *findCommand("dn");
  static const OptionSpec specs[] = {kFormatOption};
  ParsedArgs args = parseArgs(argc, argv, specs);
  if (args.help) return std::fputs(self.help, stdout), 0;
  if (!args.error.empty()) return usageError(self, args.error);
  if (args.positional.size() != 1) return usageError(self, "one protected file is needed");
  FindingsOutput findings(self, args);
  if (!findings.valid()) return findings.usageStatus();
  const char* file = args.positional[0].c_str();
  if (!inputExists(self, file)) return kFailedExit;
  std::optional<std::string> dn = protectedFileDn(file);
  if (!dn || !isProtectedFile(file)) {
    std::fprintf(stderr, "quervik dn: %s is not a protected file\n", file);
    return findings.finish(1, 1);
  }
  if (findings.json())
    findings.setSummaryText("dn", *dn);
  else
    std::printf("%s\n", dn->c_str());
  return findings.finish(0, 0);
}

int runCheckKey(int argc, char** argv) {
  static const OptionSpec specs[] = {{"reference", 'r', true}, {"reference-file", 0, true}, {"centre-key", 'k', true},
                                     {"password", 'p', true},  kFormatOption};
  const Command& self = *findCommand("check-key");
  ParsedArgs args = parseArgs(argc, argv, specs);
  if (args.help) return std::fputs(self.help, stdout), 0;
  if (!args.error.empty()) return usageError(self, args.error);
  if (args.positional.size() != 1) return usageError(self, "one protected file is needed");
  if (!args.value("centre-key")) return usageError(self, "--centre-key is needed");
  FindingsOutput findings(self, args);
  if (!findings.valid()) return findings.usageStatus();
  std::string reference;
  if (const char* text = args.value("reference")) {
    reference = text;
  } else if (const char* file = args.value("reference-file")) {
    FILE* f = openFile(file, "rb");
    if (!f) return usageError(self, std::string("cannot read ") + file);
    char buffer[1024];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) reference.append(buffer, n);
    std::fclose(f);
    while (!reference.empty() && (reference.back() == '\n' || reference.back() == '\r')) reference.pop_back();
  } else {
    return usageError(self, "--reference or --reference-file is needed");
  }
  int result = checkFileHashKey(args.positional[0].c_str(), reference.c_str(), args.value("centre-key"), "-1",
                                args.value("password"));
  findings.printFindings();
  findings.setSummaryFlag("match", result == 0);
  if (!findings.json()) {
    if (result == 0)
      std::printf("match: the file was made with the reference's hashing key\n");
    else
      std::printf("no match (result %d)\n", result);
  }
  return findings.finish(result, result == 0 ? 0 : 1);
}

}  // namespace quervik::cli
