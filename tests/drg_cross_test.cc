// The DRG cross-checks: the examples of each check (each report with the arguments of the
// first match in file order), the structure's fill-in of facilities, and generated deliveries.
#include <algorithm>
#include <filesystem>

#include "drg/batch_check.h"
#include "drg/cross_checks.h"
#include "drg/cross_tables.h"
#include "drg_delivery.h"
#include "drg_test_support.h"
#include "runtime/report.h"

namespace quervik::test {
namespace {

using namespace quervik::drg;

class DrgCross : public DrgTest {
 protected:
  // Runs the whole check on the given files (null: not given) and returns the codes of the
  // cross-check findings.
  std::vector<int> crossFindings(const char* org, const char* drg, const char* osn, const char* eko,
                                 const char* log = nullptr) {
    clearErrors();
    result = runDrgCheck(org, drg, osn, eko, nullptr, log, nullptr, false, nullptr);
    std::vector<int> out;
    for (int c : reportedCodes())
      if (c >= 7200 && c <= 7222) out.push_back(c);
    return out;
  }
  std::string entry(int code) {
    for (const std::string& e : errorEntries())
      if (e.find("(" + std::to_string(code) + ")") != std::string::npos) return e;
    return "";
  }
  int result = 0;
};

TEST_F(DrgCross, DuplicateDepartmentIsReportedOncePerRecord) {
  const std::string org = put("F.ORG", joinLines({goldenZ(), goldenO(), goldenN("NS0001"), goldenP("72000001"),
                                                goldenN("NS0002"), goldenP("72000002"), goldenO(), goldenN("NS0003"),
                                                goldenP("72000003")}));
  EXPECT_EQ(crossFindings(org.c_str(), nullptr, nullptr, nullptr), (std::vector<int>{7220, 7220}));
  EXPECT_EQ(result, -2);
  EXPECT_EQ(entry(7220), reportOf(7220, 2, org, "ODD001  ", 2023, 6, 72000000, org, 7));
}

TEST_F(DrgCross, OperatingRoomAndWorkplaceDuplicates) {
  const std::string p = goldenP("72000001");
  const std::string blankRoom = withField(withField(p, kOrgP, "Variabilni symbol pracoviste", ""), kOrgP,
                                          "Kod NS operacniho salu pracoviste", "");
  const std::string knownRoom = withField(goldenP("72000002"), kOrgP, "Kod NS operacniho salu pracoviste", "NS0001");
  const std::string unknownRoom = withField(goldenP("72000003"), kOrgP, "Kod NS operacniho salu pracoviste", "NS0009");
  const std::string org = put("F.ORG", joinLines({goldenZ(), goldenO(), goldenN("NS0001"), blankRoom, blankRoom,
                                                knownRoom, unknownRoom}));
  // The second workplace repeats the first (ICP, specialty and a blank symbol).
  EXPECT_EQ(crossFindings(org.c_str(), nullptr, nullptr, nullptr), (std::vector<int>{7222, 7222, 7202}));
  EXPECT_EQ(entry(7222), reportOf(7222, 4, org, 72000001, "<nevyplneno>", "101", 2023, 6, 72000000, org, 5));
  EXPECT_EQ(entry(7202), reportOf(7202, 7, org, "NS0009", 2023, 6, 72000000));
}

TEST_F(DrgCross, DocumentsAgainstTheStructure) {
  const std::string org = put("F.ORG", joinLines({goldenZ(), goldenO(), goldenN(), goldenP()}));
  const std::string b = goldenB(), c = goldenC();
  const std::string otherPeriod = withField(c, kDrgC, "Datum poskytnuti", "05052023");
  const std::string otherSpecialty = withField(c, kDrgC, "Radkova odbornost", "999");
  const std::string otherWorkplace = withField(b, kDrgB, "ICP ZZ", "72000009");
  const std::string otherSymbol = withField(b, kDrgB, "Variabilni symbol", "XX");
  const std::string noSymbol = withField(otherWorkplace, kDrgB, "Variabilni symbol", "");
  const std::string drg = put("F.DRG", joinLines({goldenA(),
                                                b, otherPeriod, otherSpecialty,    // 7204 only
                                                b,                                 // no service lines: not checked
                                                otherWorkplace, c, otherSpecialty,  // 7207, 7205
                                                noSymbol, c,                        // 7206
                                                otherSymbol, otherSpecialty}));      // 7207, 7205
  // A document without service lines cannot pass the line checks; the cross-check alone
  // leaves it unchecked.
  std::vector<FileItem> drgFiles = {{drg, 0}};
  clearErrors();
  EXPECT_EQ(crossCheckDrg(drgFiles, loadStructure({FileItem{org, 0}}), CrossLogs{}), 6);
  std::vector<int> codes;
  for (int c : reportedCodes())
    if (c >= 7200) codes.push_back(c);
  EXPECT_EQ(codes, (std::vector<int>{7204, 7207, 7205, 7206, 7207, 7205}));
  EXPECT_EQ(drgFiles[0].result, 1);
  EXPECT_EQ(entry(7204), reportOf(7204, 2, drg, 72000000, 2023, 5));
  EXPECT_EQ(entry(7205), reportOf(7205, 8, drg, "999", 72000000, 2023, 6));
}

TEST_F(DrgCross, ChartAndTurnover) {
  const std::string org = put("F.ORG", joinLines({goldenZ(), goldenO(), goldenN(), goldenP()}));
  const std::string otherFacility = withField(goldenOsn("5010000003"), kOsn, "Icz - ucetni osnova", "71000000");
  const std::string osn = put("F.OSN", joinLines({goldenOsn(), goldenOsn("5010000002"), goldenOsn(), otherFacility}));
  const std::string eko = put("F.EKO", joinLines({goldenEko(), goldenEko("NS0009"), goldenEko("NS0001", "5010000009")}));
  EXPECT_EQ(crossFindings(org.c_str(), nullptr, osn.c_str(), eko.c_str(), (tmp / "log").c_str()),
            (std::vector<int>{7208, 7208, 7203, 7200, 7201}));
  EXPECT_EQ(entry(7208), reportOf(7208, 1, osn, "5010000001", 2023, 72000000, osn, 3));
  EXPECT_TRUE(std::filesystem::exists(tmp / "log/err/F_EKO.EKO_X_ORG_X_OSN.log.err"));
  EXPECT_TRUE(std::filesystem::exists(tmp / "log/err/F_OSN.OSN_X_ORG.log.err"));
  EXPECT_TRUE(std::filesystem::exists(tmp / "log/ok/F_ORG.ORG_X_ORG.log.ok"));
}

TEST_F(DrgCross, WithoutStructureNothingIsCheckedAgainstIt) {
  const std::string osn = put("F.OSN", joinLines({goldenOsn(), goldenOsn()}));
  const std::string eko = put("F.EKO", joinLines({goldenEko("NS0009")}));
  const std::string drg = put("F.DRG", joinLines({goldenA(), goldenB(), goldenC()}));
  // The duplicate account is still found; the documents, the facility of the chart and the
  // cost centres of the turnover are not looked for in a structure that was not given.
  EXPECT_EQ(crossFindings(nullptr, drg.c_str(), osn.c_str(), eko.c_str(), (tmp / "log").c_str()),
            (std::vector<int>{7208, 7208}));
  EXPECT_TRUE(std::filesystem::exists(tmp / "log/ok/F_EKO.EKO_X_OSN.log.ok"));
  EXPECT_FALSE(std::filesystem::exists(tmp / "log/ok/F_DRG.DRG_X_ORG.log.ok"));
}

TEST_F(DrgCross, TheSameStructureDeliveredTwiceIsADuplicate) {
  const std::string text = joinLines({goldenZ(), goldenO(), goldenN(), goldenP()});
  const std::string a = put("A.ORG", text), b = put("B.ORG", text);
  EXPECT_EQ(crossFindings(tmp.path().string().c_str(), nullptr, nullptr, nullptr),
            (std::vector<int>{7220, 7221, 7222, 7220, 7221, 7222}));
  EXPECT_EQ(entry(7220), reportOf(7220, 2, a, "ODD001  ", 2023, 6, 72000000, b, 2));
}

TEST_F(DrgCross, CostCentresWithoutWorkplaceTakeTheirFacility) {
  // NS0001 stands before a workplace of its department; NS0003 ends the file after one.
  const std::string otherIcz = withField(goldenP("72000002"), kOrgP, "ICZ (dle smlouvy s VZP)", "73000000");
  const std::string org = put("F.ORG", joinLines({goldenZ(), goldenO(), goldenN("NS0001"), goldenN("NS0002"), otherIcz,
                                                goldenN("NS0003")}));
  const std::vector<OrgEntry> s = loadStructure({FileItem{org, 0}});
  std::vector<std::pair<int, int>> iczAndWorkplaceLine;
  for (const OrgEntry& e : s) iczAndWorkplaceLine.emplace_back(e.icz, e.pLine);
  EXPECT_EQ(iczAndWorkplaceLine, (std::vector<std::pair<int, int>>{{73000000, 0}, {73000000, 5}, {73000000, 0}}));
  const std::string eko = put("F.EKO", joinLines({withField(goldenEko("NS0003"), kEko, "Icz - obrat z ucetnictvi", "73000000")}));
  EXPECT_EQ(crossFindings(org.c_str(), nullptr, nullptr, eko.c_str()), std::vector<int>{});
  EXPECT_EQ(result, 0);
}

TEST_F(DrgCross, GeneratedDeliveriesCarryExactlyTheSeededFindings) {
  // Clean, then every line-check kind twice, then every cross-check kind three times.
  for (int round = 0; round < 3; ++round) {
    tools::DeliveryOptions o;
    o.directory = tmp.path().string();
    o.name = "G" + std::to_string(round);
    o.facilities = 3;
    o.costCentres = 200;
    o.documents = 300;
    const int each = round == 0 ? 0 : round == 1 ? 2 : 3;
    for (const tools::FindingKind& k : tools::findingKinds())
      if (round > 0 && k.crossCheck == (round == 2)) o.findings[k.name] = each;
    tools::DeliveryFiles files;
    std::string error;
    ASSERT_TRUE(tools::writeDelivery(o, files, error)) << error;
    clearErrors();
    const int result = runDrgCheck(files.org.c_str(), files.drg.c_str(), files.osn.c_str(), files.eko.c_str(), nullptr,
                                   nullptr, nullptr, false, files.kor.c_str());
    const std::vector<int> codes = findingCodes();
    int total = 0;
    for (const tools::FindingKind& k : tools::findingKinds()) {
      const int seeded = o.findings.count(k.name) ? o.findings[k.name] : 0;
      EXPECT_EQ(std::count(codes.begin(), codes.end(), k.code), seeded * k.reportsEach) << k.name;
      if (k.code != 7150) total += seeded * k.reportsEach;  // a warning is no error
    }
    EXPECT_EQ(errorEntries().back(), round == 0 ? reportOf(7086) : reportOf(7085, total));
    // Line findings: minus those of the last file with any (the KOR file's two); cross-check
    // findings: minus all of them.
    EXPECT_EQ(result, round == 0 ? 0 : round == 1 ? -2 : -total);
  }
}

}  // namespace
}  // namespace quervik::test
