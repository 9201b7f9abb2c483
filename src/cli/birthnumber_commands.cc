// quervik desrc and quervik recover: the birth-number coding of a DRG batch and the
// translation of coded numbers to a new hashing key. desrc takes the options of the tool form
// the hospitals' batch jobs already call (one letter each, "-h" naming the key blob, which is
// why "-h" is no help here), and long names like the other commands; its usage error is that
// tool's usage text.
#include <cstdio>
#include <cstring>
#include <string>

#include "birthnumber/encode.h"
#include "birthnumber/recover.h"
#include "cli/cli.h"
#include "cli/findings_output.h"
#include "cli/key_sizes.h"
#include "runtime/leading_number.h"
#include "runtime/report.h"

namespace quervik::cli {
namespace {

constexpr const char* kDesrcProgram = "quervik desrc";

int desrcUsage() {
  std::fprintf(stderr, kDesRcUsage, kDesrcProgram);
  return kUsageExit;
}

}  // namespace

int runDesrc(int argc, char** argv) {
  static const OptionSpec options[] = {
      {"buffer", 'b', true},       {"slot", 'c', true},     {"drg-cert", 'f', true},
      {"tc-cert", 'g', true},      {"hospital-key", 'i', true}, {"hash-key", 'h', true},
      {"pin", 'p', true, "password"}, {"key-type", 't', true}, {"out", 'o', true, "output"},
      kFormatOption,
  };
  const Command& self = *findCommand("desrc");
  ParsedArgs args = parseArgs(argc, argv, options);
  if (args.help) return std::fputs(self.help, stdout), 0;
  const char* keyType = args.value("key-type") ? args.value("key-type") : "1";
  if (!args.error.empty() || args.positional.size() != 1 || !args.value("drg-cert") || !args.value("tc-cert") ||
      !args.value("hospital-key") || !args.value("hash-key") ||
      (std::strcmp(keyType, "0") != 0 && std::strcmp(keyType, "1") != 0))
    return desrcUsage();
  // --buffer (the line buffer's size) is accepted for the batch jobs' sake: lines of any length
  // are read whole.
  const char* output = args.value("out");
  // With a card, the PIN; without one, the key file's password.
  const char* pin = args.value("slot") ? cardPin(args, "pin") : args.value("pin");
  // Findings go to standard error when standard output carries the coded batch.
  FindingsOutput findings(self, args, output ? stdout : stderr);
  if (!findings.valid()) return findings.usageStatus();
  const KeyFile::Kind publicKind = keyType[0] == '1' ? KeyFile::Certificate : KeyFile::PublicKey;
  const bool byCertificate = publicKind == KeyFile::Certificate;
  if (args.value("slot")
          ? !cardKeysFit(self, args.value("slot"), pin,
                         {{"the DRG centre's key", args.value("drg-cert"), byCertificate},
                          {"the trust centre's key", args.value("tc-cert"), byCertificate},
                          {"the hospital's key", args.value("hospital-key"), byCertificate}})
          : !keyFilesFit(self, {{"the DRG centre's key", args.value("drg-cert"), publicKind},
                                {"the trust centre's key", args.value("tc-cert"), publicKind},
                                {"the hospital's key", args.value("hospital-key"), KeyFile::PrivateKey,
                                 args.value("pin")}}))
    return findings.printFindings(), findings.finish(1, kFailedExit);
  int result = runDriver([&] {
    return encodeBirthNumbers(args.positional[0].c_str(), output, args.value("slot"), args.value("drg-cert"),
                              args.value("tc-cert"), args.value("hospital-key"), args.value("hash-key"),
                              pin, keyType[0] - '0');
  });
  findings.printFindings();
  return findings.finish(result, exitStatus(result));
}

int runRecover(int argc, char** argv) {
  static const OptionSpec options[] = {
      {"input", 'i', true},        {"output", 'o', true, "out"},  {"key", 'k', true},
      {"password", 'K', true},     {"key-length", 'l', true},     {"new-key", 'd', true},
      {"new-key-length", 'L', true}, {"tc-certificate", 't', true}, {"slot", 'c', true},
      {"pin", 'p', true},          kFormatOption,
  };
  const Command& self = *findCommand("recover");
  ParsedArgs args = parseArgs(argc, argv, options);
  if (args.help) return std::fputs(self.help, stdout), 0;
  if (!args.error.empty()) return usageError(self, args.error);
  if (!args.positional.empty()) return usageError(self, "unexpected argument " + args.positional[0]);
  for (const char* required : {"input", "output", "key", "new-key", "tc-certificate", "slot"})
    if (!args.value(required)) return usageError(self, std::string("--") + required + " is needed");
  const char* pin = cardPin(args, "pin");
  if (!pin) return usageError(self, "--pin (or $QUERVIK_PIN) is needed");
  FindingsOutput findings(self, args);
  if (!findings.valid()) return findings.usageStatus();
  auto or_ = [&](const char* name, const char* fallback) { return args.value(name) ? args.value(name) : fallback; };
  const bool keyIsFile = leadingInteger(or_("key-length", "-1")) <= 0;
  if ((keyIsFile &&
       !keyFilesFit(self, {{"the DRG centre's key", args.value("key"), KeyFile::PrivateKey, or_("password", "")}})) ||
      !cardKeysFit(self, args.value("slot"), pin,
                   {{"the trust centre's key", args.value("tc-certificate"), true}}))
    return findings.printFindings(), findings.finish(1, kFailedExit);
  int result = runDriver([&] {
    return recoverHashes(args.value("input"), args.value("output"), args.value("key"), or_("password", ""),
                         or_("key-length", "-1"), args.value("new-key"), or_("new-key-length", "-1"),
                         args.value("tc-certificate"), args.value("slot"), pin);
  });
  findings.printFindings();
  return findings.finish(result, exitStatus(result));
}

}  // namespace quervik::cli
