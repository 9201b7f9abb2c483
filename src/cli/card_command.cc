// quervik card: what the card module sees. "slots" lists the slots that hold a card, "info"
// prints one card's information. Neither needs a PIN.
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "runtime/catalogue.h"
#include "token/module.h"
#include "token/session.h"

namespace quervik::cli {

int runCard(int argc, char** argv) {
  static const OptionSpec specs[] = {{"slot", 's', true}};
  const Command& self = *findCommand("card");
  ParsedArgs args = parseArgs(argc, argv, specs);
  if (args.help) return std::fputs(self.help, stdout), 0;
  if (!args.error.empty()) return usageError(self, args.error);
  if (args.positional.size() != 1) return usageError(self, "one of 'slots' or 'info' is needed");
  setMessageFile(kDefaultMessageFile);
  const std::string& what = args.positional[0];
  int result = 0;
  if (what == "slots") {
    std::vector<CK_SLOT_ID> slots = listTokenSlots();
    for (CK_SLOT_ID slot : slots) std::printf("%lu\n", static_cast<unsigned long>(slot));
    result = slots.empty() ? 1 : 0;
  } else if (what == "info") {
    const char* slot = args.value("slot");
    if (!slot) return usageError(self, "info needs --slot");
    result = initializeModule() == CKR_OK && printTokenInfo(static_cast<CK_SLOT_ID>(slotNumber(slot))) == CKR_OK ? 0 : 1;
  } else {
    return usageError(self, "unknown card command '" + what + "'");
  }
  if (moduleInitialized()) (void)finalizeModule();
  printFindings();
  return result ? 2 : 0;
}

}  // namespace quervik::cli
