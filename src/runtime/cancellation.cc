// Cancellation of a running driver; see cancellation.h.
#include "runtime/cancellation.h"

#include "runtime/progress.h"

namespace quervik {
namespace {

CancellationSource* gSource = nullptr;
bool gInterrupted = false;

}  // namespace

void installCancellationSource(CancellationSource* source) { gSource = source; }

CancellationSource* cancellationSource() { return gSource; }

int testInterrupted() {
  gInterrupted = false;
  if (!gSource || !gSource->consumeInterrupt()) return 0;
  setActivity("Preruseno", 0);
  gInterrupted = true;
  return 1;
}

bool wasInterrupted() { return gInterrupted; }

void FlagCancellation::request() { __atomic_store_n(&requested_, 1, __ATOMIC_SEQ_CST); }

bool FlagCancellation::consumeInterrupt() { return __atomic_exchange_n(&requested_, 0, __ATOMIC_SEQ_CST) != 0; }

}  // namespace quervik
