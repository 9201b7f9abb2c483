// Building VZP lines and DRG records for the conversion tests from their field positions.
#pragma once
#include <initializer_list>
#include <string>
#include <vector>

#include "test_support.h"

namespace quervik::test {

struct At {
  int position;  // 1-based
  std::string text;
};

inline std::string overlay(std::string base, std::initializer_list<At> fields) {
  for (const At& f : fields) {
    EXPECT_LE(f.position - 1 + f.text.size(), base.size()) << "field at " << f.position << " overruns";
    base.replace(size_t(f.position - 1), f.text.size(), f.text);
  }
  return base;
}

// A VZP line of the given length: blanks with the fields written at their positions.
inline std::string vzp(size_t length, std::initializer_list<At> fields) {
  return overlay(std::string(length, ' '), fields);
}

inline std::string right(const std::string& text, size_t width) { return std::string(width - text.size(), ' ') + text; }

// A batch header D of the given batch type.
inline std::string vzpHeader(const std::string& type) {
  return vzp(62, {{1, "D"}, {2, "P"}, {3, type}, {5, "12345678"}, {17, "2024"}, {21, "03"}, {23, "000042"}});
}

// The records of a DRG text, each of which must end with CR LF.
inline std::vector<std::string> drgRecords(const std::string& drg) {
  EXPECT_TRUE(drg.empty() || drg.ends_with("\r\n")) << "a record without CR LF";
  return splitLines(drg);
}

}  // namespace quervik::test
