// The registry of message codes; see messages.h. One include line per subsystem list.
#include "runtime/messages.h"

#include <algorithm>
#include <array>

namespace quervik {
namespace {

constexpr MessageSpec kUnsorted[] = {
#define MSG(name, code, kinds) {#name, code, kinds},
#include "runtime/messages.def"
#include "crypto/messages.def"
#include "token/messages.def"
#include "convert/messages.def"
#include "birthnumber/messages.def"
#include "container/messages.def"
#include "vzp/messages.def"
#include "tokenadmin/messages.def"
#include "drg/messages.def"
#include "birthnumber/coding_messages.def"
#undef MSG
    {"", 0, ""},  // sorts first and is left out: code 0 is never a message
};

constexpr auto sortedRegistry() {
  std::array<MessageSpec, std::size(kUnsorted)> a{};
  std::copy(std::begin(kUnsorted), std::end(kUnsorted), a.begin());
  std::sort(a.begin(), a.end(), [](const MessageSpec& x, const MessageSpec& y) { return x.code < y.code; });
  return a;
}

constexpr auto kRegistry = sortedRegistry();

}  // namespace

std::span<const MessageSpec> messageRegistry() { return std::span<const MessageSpec>(kRegistry).subspan(1); }

const MessageSpec* findMessageSpec(int code) {
  auto all = messageRegistry();
  auto it = std::lower_bound(all.begin(), all.end(), code,
                             [](const MessageSpec& m, int c) { return m.code < c; });
  return it != all.end() && it->code == code ? &*it : nullptr;
}

}  // namespace quervik
