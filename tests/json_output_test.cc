// --format json of every command that reports, against its own text form: each line parses
// as JSON, the report objects give the text form's codes finding for finding (a group of
// reports counts as its finding's code), and a summary ends the output.
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "drg_delivery.h"
#include "drg_test_support.h"
#include "protect_support.h"
#include "vzp_test_support.h"

namespace quervik::test {
namespace {

using nlohmann::json;

// The codes of the text form: a line ending " (X) (Y)" is the finding X carried by the line
// report Y; the field and column reports of a group add nothing.
std::vector<int> textCodes(const std::string& out) {
  static const std::regex tail(R"((?:\((\d+)\) )?\((\d+)\)$)");
  static const std::set<int> joined = {7910, 7911, 6901, 6902, 6911, 6912};
  std::vector<int> codes;
  std::istringstream in(out);
  std::smatch m;
  for (std::string line; std::getline(in, line);) {
    if (!std::regex_search(line, m, tail)) continue;
    const int code = std::stoi(m[m[1].matched ? 1 : 2]);
    if (!joined.count(code)) codes.push_back(code);
  }
  return codes;
}

std::vector<json> jsonLines(const std::string& out) {
  std::vector<json> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    try {
      lines.push_back(json::parse(line));
    } catch (const json::exception& e) {
      ADD_FAILURE() << e.what() << " in: " << line;
    }
  }
  return lines;
}

class JsonOutput : public WithCli<DrgTest> {
 protected:
  // Runs the command in both forms, holds them against each other and returns the JSON lines.
  std::vector<json> both(const std::string& command, const std::string& args) {
    SCOPED_TRACE(command + " " + args);
    const ToolResult text = runQuervik(command + " " + args + " 2>/dev/null");
    const ToolResult out = runQuervik(command + " " + args + " --format json 2>/dev/null");
    std::vector<json> lines = jsonLines(out.output);
    if (lines.empty()) {
      ADD_FAILURE() << "no output";
      return lines;
    }
    std::vector<int> codes;
    for (const json& line : lines)
      if (line["type"] == "report") codes.push_back(line["code"]);
    EXPECT_EQ(codes, textCodes(text.output));
    const json& summary = lines.back();
    EXPECT_EQ(summary["type"], "summary");
    EXPECT_EQ(summary["command"], command);
    EXPECT_EQ(summary["exit"], text.status);
    EXPECT_EQ(summary["exit"], out.status);
    for (const json& line : lines) {
      if (line.value("code", 0) == 7085) {
        EXPECT_EQ(line["count"], summary["findings"]);
      }
    }
    return lines;
  }
  std::string q(const std::string& s) { return shellQuote(s); }
  // A delivery with one seeded finding of every kind that the line checks (or, with
  // crossCheck, only the cross-checks) find.
  std::string delivery(const std::string& name, bool crossCheck) {
    tools::DeliveryOptions o;
    o.directory = tmp / name;
    o.name = "F";
    fs::create_directories(o.directory);
    for (const tools::FindingKind& k : tools::findingKinds())
      if (k.crossCheck == crossCheck) o.findings[k.name] = 1;
    tools::DeliveryFiles f;
    std::string error;
    EXPECT_TRUE(tools::writeDelivery(o, f, error)) << error;
    return "--org " + q(f.org) + " --osn " + q(f.osn) + " --drg " + q(f.drg) + " --eko " + q(f.eko) + " --kor " +
           q(f.kor);
  }
};

TEST_F(JsonOutput, EveryCommandAgreesWithItsTextForm) {
  const std::string examples = std::string(QUERVIK_SOURCE_DIR) + "/examples";
  fs::create_directories(tmp / "in");
  fs::create_directories(tmp / "vzp");
  // Every byte value in a field of a DRG and of a VZP batch, and Czech letters in a price.
  std::vector<std::string> drgLines = {goldenA(), goldenB()};
  for (int b = 0; b < 256; ++b) drgLines.push_back(withField(goldenC(), drg::kDrgC, "Cena v Kc", std::string{char(b), '1'}));
  drgLines.push_back(withField(goldenC(), drg::kDrgC, "Cena v Kc", "\xac\xfc"));  // code page 852
  const std::string bytesDrg = put("in/BYTES.DRG", joinLines(drgLines));
  std::vector<std::string> vzpLines = vzpBatchLines("05", 200);
  int byte = 0;
  for (size_t i = 1; i < vzpLines.size() && byte < 256; ++i)
    if (vzpLines[i].size() > 20) vzpLines[i][20] = char(byte++);
  ASSERT_EQ(byte, 256);
  put("vzp/bytes.111", joinLines(vzpLines));
  vzptools::VzpGeneratorOptions seeded;
  seeded.seededFindings = 5;
  put("vzp/seeded.111", vzptools::generateVzpText(seeded));

  const KeyMaterial& k = keyMaterial();
  const std::string in = put("in.txt", "Obsah\r\n"), protectedFile = tmp / "out.bin";
  const std::string keys = " -f " + q(k.otherCertPem) + " -k " + q(k.keyPem) + " ";
  const struct {
    const char* command;
    std::string args;
  } kCases[] = {
      {"dkontrol", "--dir " + q(examples + "/drg") + " --log " + q(tmp / "log")},
      {"dkontrol", delivery("lines", false)},
      {"dkontrol", delivery("cross", true)},
      {"dkontrol", "--drg " + q(bytesDrg)},
      {"kkontrol", q(examples + "/vzp")},
      {"kkontrol", q(tmp / "vzp")},
      {"drg", q(examples + "/vzp") + " --out-dir " + q(tmp / "converted")},
      {"sign", keys + "-o " + q(protectedFile) + " " + q(in)},
      {"open", "-k " + q(k.keyPem) + " -f " + q(k.certPem) + " -o " + q(tmp / "back.txt") + " " + q(protectedFile)},
      {"dn", q(protectedFile)},
      {"check-key", "-k " + q(k.otherKeyPem) + " -r QUFB " + q(protectedFile)},
      {"desrc", "-f " + q(k.otherCertPem) + " -g " + q(k.certPem) + " -i " + q(k.keyPem) + " -h " +
                    q(tmp / "no-blob") + " -o " + q(tmp / "coded") + " " + q(bytesDrg)},
      {"recover", "-i " + q(in) + " -o " + q(tmp / "recovered") + " -k " + q(k.otherKeyPem) + " -d " + q(in) +
                      " -t TC -c 0 -p 0000"},
  };
  std::map<std::string, std::vector<json>> runs;
  for (const auto& c : kCases) {
    std::vector<json> lines = both(c.command, c.args);
    runs[c.args] = lines;
  }

  // Every seeded kind is among the findings.
  for (const tools::FindingKind& k : tools::findingKinds()) {
    const std::vector<json>& lines = runs[kCases[k.crossCheck ? 2 : 1].args];
    const auto found = [&](const json& l) { return l.value("code", 0) == k.code; };
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), found)) << k.name;
  }
  // The example delivery: each file's log is named, and a line finding knows its place.
  const json& summary = runs[kCases[0].args].back();
  ASSERT_FALSE(summary["files"].empty());
  for (const json& f : summary["files"]) EXPECT_TRUE(fs::exists(f["log"].get<std::string>())) << f;
  const size_t lastLine = drgLines.size() + 1;  // the byte 10 ended a line early
  json czech;
  for (const json& line : runs[kCases[3].args])
    if (line.value("line", 0u) == lastLine) czech = line;
  EXPECT_EQ(czech["code"], 7016);
  EXPECT_EQ(czech["file"], bytesDrg);
  EXPECT_EQ(czech["letter"], "C");
  EXPECT_EQ(czech["field"], "Cena v Kc");
  EXPECT_EQ(czech["column"], columnOf(drg::kDrgC, "Cena v Kc"));
  EXPECT_EQ(czech["value"], "           \u010c\u0158");  // right-aligned "ČŘ"
  EXPECT_EQ(runs[kCases[9].args].back()["dn"], "");  // signed without a card: an empty DN
  EXPECT_EQ(runs[kCases[10].args].back()["match"], false);
}

TEST_F(JsonOutput, UnknownFormatIsAUsageError) {
  const ToolResult r = runQuervik("kkontrol " + q(tmp / "x") + " --format xml");
  EXPECT_EQ(r.status, 64);
  EXPECT_NE(r.output.find("text or json"), std::string::npos) << r.output;
}

}  // namespace
}  // namespace quervik::test
