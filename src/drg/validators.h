// The field validators of the DRG checker: one domain rule each (code lists, ranges,
// dependencies on earlier fields of the batch through BatchState). Each returns 0, minus
// a finding code (error) or a finding code (warning; 1 stands for 3). The record layouts
// (layouts.cc) name one validator per field.
#pragma once
#include <span>
#include <string_view>

namespace quervik::drg {

int noCheck(std::string_view text);
int resetRecordState(std::string_view text);
int requireText(std::string_view text);
int requirePatientId(std::string_view text);
int requireBirthDate(std::string_view text);
int checkDepartmentCode(std::string_view text);
int checkCostCentreCode(std::string_view text);
int checkIcz(std::string_view text);
int checkContractIcp(std::string_view text);
int checkModifyingIcz(std::string_view text);
int checkIcpZz(std::string_view text);
int checkRequesterIcp(std::string_view text);
int checkAccountNumber(std::string_view text);
int checkAccountKind(std::string_view text);
int checkCostCentreKind(std::string_view text);
int checkMainSpecialty(std::string_view text);
int checkSpecialty(std::string_view text);
int checkRequesterSpecialty(std::string_view text);
int checkDiagnosis(std::string_view text);
int checkCode(std::string_view text);
int checkSex(std::string_view text);
int checkBatchCharacter(std::string_view text);
int checkBatchKind(std::string_view text);
int checkIcoIczFlag(std::string_view text);
int checkBatchMonth(std::string_view text);
int checkBatchYear(std::string_view text);
int checkFlatRate(std::string_view text);
int checkDocumentKind(std::string_view text);
int checkCodeKind(std::string_view text);
int checkAdmissionReason(std::string_view text);
int checkTreatmentEnd(std::string_view text);
int checkHospitalDate(std::string_view text);
int checkServiceDate(std::string_view text);
int checkYear(std::string_view text);
int checkMonth(std::string_view text);
int checkPeriod(std::string_view text);
int noteEntity2(std::string_view text);
int checkSpecification(std::string_view text);
int checkPercentage(std::string_view text);
int checkException(std::string_view text);

// A row of the document-kind table: the batch kinds a document kind may stand in, and the
// code kinds its service lines may use ('A' = 10, 'B' = 11, 'C' = 12, digits themselves).
struct DocumentKindRow {
  std::string_view documentKind;
  std::span<const int> batchKinds;
  const char* codeKinds;
};

std::span<const DocumentKindRow> documentKinds();

// The batch kinds "Druh davky" may hold; the account and cost-centre kinds.
std::span<const std::string_view> batchKindCodes();
std::span<const std::string_view> accountKinds();
std::span<const std::string_view> costCentreKinds();

}  // namespace quervik::drg
