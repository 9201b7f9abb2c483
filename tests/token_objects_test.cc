// Objects on the card against SoftHSM2: lookups by name and by DN, the 30-object search
// window, attribute reads that fail mid-search, imports with their label limits, data objects,
// exports checked with the openssl tool, and destruction.
#include <cstring>

#include "card_fixture.h"
#include "crypto/key_files.h"
#include "runtime/report.h"
#include "token/attributes.h"
#include "token/module.h"
#include "token/objects.h"
#include "token/session.h"
#include "token/template.h"

namespace quervik::test {
namespace {

using TokenObjects = CardTest;
using EmptyTokenObjects = EmptyCardTest;

CK_OBJECT_CLASS classOf(CK_SESSION_HANDLE s, CK_OBJECT_HANDLE h) {
  CK_ULONG c = ~CK_ULONG(0);
  EXPECT_EQ(readUlongAttribute(s, h, CKA_CLASS, c), CKR_OK);
  return c;
}

std::string valueOf(CK_SESSION_HANDLE s, CK_OBJECT_HANDLE h) {
  long length = getObjectValueLength(s, h);
  EXPECT_GE(length, 0);
  std::string value(static_cast<size_t>(std::max(length, 0L)), '\0');
  EXPECT_EQ(getObjectValue(s, h, reinterpret_cast<unsigned char*>(value.data()), CK_ULONG(value.size())), CKR_OK);
  return value;
}

TEST_F(TokenObjects, NameFindsTheFirstOfItsClassesInTokenOrder) {
  CK_SESSION_HANDLE s = openUserSession();
  // The module's own order decides which of certificate, public and private key comes first.
  CK_OBJECT_HANDLE expected = CK_INVALID_HANDLE;
  for (CK_OBJECT_HANDLE h : allObjects(s)) {
    std::string label = labelOf(s, h);
    if (label == "Certifikat:ABC" || label == "Verejny klic:ABC" || label == "Privatni klic:ABC") {
      expected = h;
      break;
    }
  }
  ASSERT_NE(expected, CK_INVALID_HANDLE);
  CK_OBJECT_HANDLE found = CK_INVALID_HANDLE;
  EXPECT_EQ(findObjectByLabel(s, &found, kHospitalName), CKR_OK);
  EXPECT_EQ(found, expected);
  EXPECT_EQ(findObjectByLabel(s, &found, kCentreName), CKR_OK);
  EXPECT_EQ(labelOf(s, found), "Certifikat:NRC");
  // Prefixes of names and full labels are not names.
  for (const char* name : {"AB", "ABCD", "abc", "Certifikat:ABC", ""}) {
    EXPECT_EQ(findObjectByLabel(s, &found, name), kNameNotFound) << name;
  }
  EXPECT_EQ(findObjectByLabel(s, &found, nullptr), kNoMatch);
  EXPECT_EQ(reportedCodes(), std::vector<int>{220});
}

TEST_F(TokenObjects, PrivateKeyOfAShorterNameDoesNotAnswerTheLongerOne) {
  storeObject(keyMaterial().keyPkcs1Der, "--type privkey --id 0A --label 'Privatni klic:AB'");
  storeObject(keyMaterial().certDer, "--type cert --id 0B --label RSA_DES_KEY");
  CK_SESSION_HANDLE s = openUserSession();
  CK_OBJECT_HANDLE found = CK_INVALID_HANDLE;
  ASSERT_EQ(findObjectByLabel(s, &found, "AB"), CKR_OK);
  EXPECT_EQ(labelOf(s, found), "Privatni klic:AB");
  ASSERT_EQ(findObjectByLabel(s, &found, "ABC"), CKR_OK);
  EXPECT_NE(labelOf(s, found), "Privatni klic:AB");
  // A certificate whose label lacks the prefix is not found by that bare name ...
  EXPECT_EQ(findObjectByLabel(s, &found, "RSA_DES_KEY"), kNameNotFound);
  // ... while a data object is.
  const char blob[] = "\x01\x02\x03 blob";
  EXPECT_EQ(createDataObject(s, "RSA_DES_KEY", blob, sizeof blob), 0);
  ASSERT_EQ(findObjectByLabel(s, &found, "RSA_DES_KEY"), CKR_OK);
  EXPECT_EQ(classOf(s, found), CKO_DATA);
  EXPECT_EQ(valueOf(s, found), std::string(blob, sizeof blob));
}

TEST_F(TokenObjects, UnreadableObjectStopsTheSearchAndTheSearchIsEnded) {
  CK_SESSION_HANDLE s = openUserSession();
  ModuleSpy spy;
  spy.failCalls({{"C_GetAttributeValue", 3, CKR_DEVICE_ERROR}});  // the second object's lengths
  CK_OBJECT_HANDLE found = CK_INVALID_HANDLE;
  EXPECT_EQ(findObjectByLabel(s, &found, "no such name"), kAttributeUnreadable);
  EXPECT_EQ(spy.calls("C_GetAttributeValue"), 3);
  EXPECT_EQ(spy.calls("C_FindObjectsFinal"), 1);
  // The next search works: the failed one did not stay active.
  spy.fault = nullptr;
  EXPECT_EQ(findObjectByLabel(s, &found, kCentreName), CKR_OK);
  // A search that cannot start is answered with the module's value.
  spy.failCalls({{"C_FindObjectsInit", 0, CKR_OPERATION_ACTIVE}});
  EXPECT_EQ(findObjectByLabel(s, &found, kCentreName), CKR_OPERATION_ACTIVE);
  EXPECT_EQ(findCertificateByDn(s, &found, "abc", nullptr, 0), CKR_OPERATION_ACTIVE);
}

TEST_F(EmptyTokenObjects, DnSearchSkipsCertificatesThatDoNotParse) {
  CK_SESSION_HANDLE s = openUserSession();
  CK_OBJECT_HANDLE found = CK_INVALID_HANDLE;
  EXPECT_EQ(findCertificateByDn(s, &found, "", nullptr, 0), kNoObjects);
  // A certificate object whose value is not DER, stored before a good one.
  CK_OBJECT_CLASS certClass = CKO_CERTIFICATE;
  CK_CERTIFICATE_TYPE x509 = CKC_X_509;
  const std::string garbage = "not a certificate", label = "Certifikat:BAD";
  CK_ATTRIBUTE tmpl[] = {attribute(CKA_CLASS, certClass), attribute(CKA_CERTIFICATE_TYPE, x509),
                         attribute(CKA_TOKEN, kCkTrue),   attribute(CKA_VALUE, garbage),
                         attribute(CKA_LABEL, label),     attribute(CKA_SUBJECT, nullptr, 0)};
  CK_OBJECT_HANDLE bad = CK_INVALID_HANDLE;
  ASSERT_EQ(callModule(&CK_FUNCTION_LIST::C_CreateObject, s, tmpl, CK_ULONG(6), &bad), CKR_OK);
  ASSERT_EQ(importCertificate(s, keyMaterial().certPem.c_str(), nullptr, "GOOD"), CKR_OK);
  ASSERT_EQ(findCertificateByDn(s, &found, "", nullptr, 0), CKR_OK);
  EXPECT_EQ(labelOf(s, found), "Certifikat:GOOD");
  // The bad one gives no public key either.
  CK_OBJECT_HANDLE key = CK_INVALID_HANDLE;
  EXPECT_EQ(publicKeyFromCertificate(s, bad, &key), kNoMatch);
  EXPECT_EQ(reportedCodes(), std::vector<int>{218});
}

TEST_F(EmptyTokenObjects, RefusedCertificateReports186) {
  CK_SESSION_HANDLE s = openUserSession();
  ModuleSpy spy;
  spy.failCalls({{"C_CreateObject", 0, CKR_DEVICE_MEMORY}});
  EXPECT_EQ(importCertificate(s, keyMaterial().certPem.c_str(), nullptr, "X"), kNoMatch);
  EXPECT_EQ(reportedCodes(), std::vector<int>{186});
  // The vendor value some cards answer a stored certificate with counts as stored.
  clearErrors();
  spy.failCalls({{"C_CreateObject", 0, CK_RV(0x80000002UL)}});
  EXPECT_EQ(importCertificate(s, keyMaterial().certPem.c_str(), nullptr, "X"), CKR_OK);
  EXPECT_TRUE(reportedCodes().empty());
  // A name that would make too long a label stores nothing.
  EXPECT_EQ(importCertificate(s, keyMaterial().certPem.c_str(), nullptr, std::string(200, 'n').c_str()), kNoMatch);
  EXPECT_EQ(reportedCodes().size(), 1u);
}

TEST_F(EmptyTokenObjects, PublicKeyImportAndExportRoundTrip) {
  CK_SESSION_HANDLE s = openUserSession();
  const std::string name16(16, 'k'), name17(17, 'k');
  ASSERT_EQ(importPublicKey(s, keyMaterial().pubPem.c_str(), name16.c_str()), CKR_OK);
  EXPECT_EQ(importPublicKey(s, keyMaterial().pubPem.c_str(), name17.c_str()), kNoMatch);
  EXPECT_EQ(reportedCodes(), std::vector<int>{187});
  EXPECT_EQ(allObjects(s).size(), 1u);
  CK_OBJECT_HANDLE key = CK_INVALID_HANDLE;
  ASSERT_EQ(findObjectByLabel(s, &key, name16.c_str()), CKR_OK);
  EXPECT_EQ(classOf(s, key), CKO_PUBLIC_KEY);
  std::string file = tmp / "exported.pem", der = tmp / "exported.der";
  {
    CapturedStdout out;
    EXPECT_EQ(exportPublicKey(s, key, file.c_str()), CKR_OK);
    EXPECT_EQ(out.take(), "Public key \"" + file + "\" vyexportovan v PEM fomatu\n");
  }
  runToolOk("openssl pkey -pubin -in " + shellQuote(file) + " -outform DER -out " + shellQuote(der));
  EXPECT_EQ(readFile(der), readFile(keyMaterial().pubDer));
  // Failures: an EC key has no RSA parts, a key file that is not there, an unwritable export.
  clearErrors();
  EXPECT_EQ(importPublicKey(s, keyMaterial().ecPubPem.c_str(), "ec"), kNoMatch);
  EXPECT_EQ(importPublicKey(s, (tmp / "missing.pem").c_str(), "gone"), kNoMatch);
  {
    CapturedStdout out;
    EXPECT_EQ(exportPublicKey(s, key, (tmp / "no/dir/k.pem").c_str()), CKR_FUNCTION_FAILED);
    EXPECT_EQ(out.take(), "Chyba:-103\n");
  }
  EXPECT_EQ(reportedCodes(), (std::vector<int>{181, 250, 213}));
  EXPECT_EQ(allObjects(s).size(), 1u);
}

TEST_F(TokenObjects, KeyPartsNeedAnRsaKey) {
  EXPECT_FALSE(rsaPartsFromKey(nullptr, "x"));
  EvpPkeyPtr ec = readPublicKeyPem(keyMaterial().ecPubPem.c_str(), kPemFormat);
  EXPECT_FALSE(rsaPartsFromKey(ec.get(), "x"));
  EvpPkeyPtr rsa = readPublicKeyPem(keyMaterial().pubPem.c_str(), kPemFormat);
  std::optional<RsaPublicParts> parts = rsaPartsFromKey(rsa.get(), "x");
  ASSERT_TRUE(parts);
  EXPECT_EQ(parts->modulus, rsaModulusOf(keyMaterial().pubPem));
  EXPECT_EQ(parts->exponent, (std::vector<unsigned char>{0x01, 0x00, 0x01}));
  EXPECT_EQ(reportedCodes(), (std::vector<int>{180, 181}));
}

TEST_F(TokenObjects, CertificateGivesASessionPublicKeyAndExportsAsPem) {
  CK_SESSION_HANDLE s = openUserSession();
  CK_OBJECT_HANDLE cert = CK_INVALID_HANDLE, key = CK_INVALID_HANDLE;
  ASSERT_EQ(findCertificateByDn(s, &cert, "ABC", nullptr, 0), CKR_OK);
  ASSERT_EQ(publicKeyFromCertificate(s, cert, &key), CKR_OK);
  EXPECT_EQ(classOf(s, key), CKO_PUBLIC_KEY);
  EXPECT_EQ(labelOf(s, key), "Certifikat:ABC");
  std::vector<SecureBytes> v;
  ASSERT_EQ(readAttributes(s, key, {CKA_MODULUS, CKA_TOKEN}, v), CKR_OK);
  EXPECT_EQ(std::vector<unsigned char>(v[0].begin(), v[0].end()), rsaModulusOf(keyMaterial().pubPem));
  EXPECT_EQ(v[1][0], CK_FALSE);
  std::string file = tmp / "cert.pem", der = tmp / "cert.der";
  EXPECT_EQ(exportCertificate(s, cert, file.c_str()), CKR_OK);
  runToolOk("openssl x509 -in " + shellQuote(file) + " -outform DER -out " + shellQuote(der));
  EXPECT_EQ(readFile(der), readFile(keyMaterial().certDer));
  EXPECT_EQ(exportCertificate(s, cert, (tmp / "no/dir/c.pem").c_str()), kNoMatch);
  EXPECT_EQ(exportCertificate(s, 9999, file.c_str()), CKR_OBJECT_HANDLE_INVALID);
  // The session key is gone once the session closes.
  size_t count = allObjects(s).size();
  closeToken();
  s = openUserSession();
  EXPECT_EQ(allObjects(s).size(), count - 1);
  ASSERT_EQ(findCertificateByDn(s, &cert, "ABC", nullptr, 0), CKR_OK);  // handles change with the session
  // A certificate whose attributes cannot be read: lengths (module value only) or values (219).
  ModuleSpy spy;
  spy.failCalls({{"C_GetAttributeValue", 1, CKR_DEVICE_ERROR}, {"C_GetAttributeValue", 3, CKR_DEVICE_REMOVED}});
  EXPECT_EQ(publicKeyFromCertificate(s, cert, &key), CKR_DEVICE_ERROR);
  EXPECT_EQ(publicKeyFromCertificate(s, cert, &key), CKR_DEVICE_REMOVED);
  EXPECT_EQ(reportedCodes(), std::vector<int>{219});
}

TEST_F(EmptyTokenObjects, DataObjectFromValueOrFile) {
  CK_SESSION_HANDLE s = openUserSession();
  std::string file = tmp / "blob.bin";
  std::string content(300, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = char(i * 7);
  writeFile(file, content);
  EXPECT_EQ(createDataObject(s, "FROM_FILE", file.c_str(), 0), 0);
  EXPECT_EQ(createDataObject(s, "FROM_VALUE", content.data(), 5), 0);
  CK_OBJECT_HANDLE h = CK_INVALID_HANDLE;
  ASSERT_EQ(findObjectByLabel(s, &h, "FROM_FILE"), CKR_OK);
  EXPECT_EQ(valueOf(s, h), content);
  std::vector<SecureBytes> v;
  ASSERT_EQ(readAttributes(s, h, {CKA_PRIVATE, CKA_TOKEN}, v), CKR_OK);
  EXPECT_EQ(v[0][0], CK_TRUE);
  EXPECT_EQ(v[1][0], CK_TRUE);
  ASSERT_EQ(findObjectByLabel(s, &h, "FROM_VALUE"), CKR_OK);
  EXPECT_EQ(valueOf(s, h), content.substr(0, 5));
  EXPECT_EQ(getObjectValueLength(s, 9999), -1);
  // A missing file, a directory or no name at all never reach the card.
  ModuleSpy spy;
  EXPECT_EQ(createDataObject(s, "MISSING", (tmp / "missing.bin").c_str(), 0), -49);
  EXPECT_EQ(createDataObject(s, "DIR", tmp.path().string().c_str(), -1), -49);
  EXPECT_EQ(createDataObject(kNoSession, "NULL", nullptr, 0), -49);
  EXPECT_EQ(createDataObject(s, nullptr, "v", 1), long(kNoMatch));
  EXPECT_EQ(spy.calls("C_CreateObject"), 0);
  EXPECT_TRUE(reportedCodes().empty());
}

TEST_F(EmptyTokenObjects, DestructionByLabelAndOfEverything) {
  CK_SESSION_HANDLE s = openUserSession();
  ASSERT_EQ(createDataObject(s, "DUP", "a", 1), 0);
  ASSERT_EQ(createDataObject(s, "DUP", "b", 1), 0);
  ASSERT_EQ(createDataObject(s, "KEEP", "c", 1), 0);
  ASSERT_EQ(importCertificate(s, keyMaterial().certPem.c_str(), nullptr, "DUP"), CKR_OK);
  EXPECT_EQ(destroyObjectsByLabel(s, "DUP"), CKR_OK);
  EXPECT_EQ(allObjects(s).size(), 2u);
  EXPECT_EQ(destroyObjectsByLabel(s, "NOTHING"), CKR_OK);
  EXPECT_EQ(destroyObjectsByLabel(s, nullptr), kNoMatch);
  EXPECT_EQ(destroyObjectsByLabel(s, "Certifikat:DUP"), CKR_OK);
  std::vector<CK_OBJECT_HANDLE> left = allObjects(s);
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(labelOf(s, left[0]), "KEEP");
  EXPECT_EQ(destroyObject(s, left[0]), CKR_OK);
  EXPECT_EQ(destroyObject(s, left[0]), CKR_OBJECT_HANDLE_INVALID);
}

TEST_F(EmptyTokenObjects, FailedDestructionIsNotReportedAsSuccess) {
  CK_SESSION_HANDLE s = openUserSession();
  for (const char* name : {"A", "B"}) ASSERT_EQ(createDataObject(s, name, "x", 1), 0);
  ModuleSpy spy;
  spy.failCalls({{"C_DestroyObject", 2, CKR_DEVICE_ERROR}, {"C_FindObjectsInit", 2, CKR_SESSION_HANDLE_INVALID}});
  CapturedStdout out;
  EXPECT_EQ(destroyAllObjects(s), CKR_DEVICE_ERROR);
  EXPECT_EQ(out.take(), ".");
  EXPECT_EQ(spy.calls("C_FindObjectsFinal"), 1);
  EXPECT_EQ(destroyObjectsByLabel(s, "B"), CKR_SESSION_HANDLE_INVALID);
  spy.fault = nullptr;
  EXPECT_EQ(allObjects(s).size(), 1u);
}

}  // namespace
}  // namespace quervik::test
