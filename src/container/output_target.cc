// Outputs and card sessions of the protection drivers; see output_target.h.
#include "container/output_target.h"

#include "token/session.h"

namespace quervik {

bool OutputTarget::open(const char* name) {
  name_ = name;
  return !name || pending_.open(name);
}

bool OutputTarget::commit() {
  if (name_) return pending_.commit();
  return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

CardSessionGuard::~CardSessionGuard() {
  if (used_) closeToken();
}

}  // namespace quervik
