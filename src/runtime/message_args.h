// Typed arguments of a report. Catalogue texts are untrusted format strings, so a report
// carries its arguments with their kinds and the formatter matches every conversion
// against the kind actually passed (see safe_format.h).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace quervik {

struct MsgArg {
  enum class Kind : char { Int = 'd', Char = 'c', Double = 'f', Text = 's' };
  Kind kind;
  int64_t integer = 0;
  double real = 0;
  std::string_view text;  // data() may be null: printed as "(null)"
  bool nullText = false;

  MsgArg(int v) : kind(Kind::Int), integer(v) {}
  MsgArg(long v) : kind(Kind::Int), integer(v) {}
  MsgArg(long long v) : kind(Kind::Int), integer(v) {}
  MsgArg(unsigned v) : kind(Kind::Int), integer(v) {}
  MsgArg(unsigned long v) : kind(Kind::Int), integer(int64_t(v)) {}
  MsgArg(unsigned long long v) : kind(Kind::Int), integer(int64_t(v)) {}
  MsgArg(char c) : kind(Kind::Char), integer(static_cast<unsigned char>(c)) {}
  MsgArg(double v) : kind(Kind::Double), real(v) {}
  MsgArg(const char* s) : kind(Kind::Text), text(s ? std::string_view(s) : std::string_view()), nullText(!s) {}
  MsgArg(std::string_view s) : kind(Kind::Text), text(s) {}
  MsgArg(const std::string& s) : kind(Kind::Text), text(s) {}
};

}  // namespace quervik
