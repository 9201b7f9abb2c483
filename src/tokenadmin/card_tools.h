// What the quervik card command needs beyond the host entries: the cards in the slots with
// their labels, every object on a card, objects of one class by their exact label, and linking
// a key pair to its certificate so that the certificate finds its private key (the signing and
// birth-number work look the private key up by the certificate's CKA_ID). Everything but the
// slot list runs in a session the caller opened; results are PKCS#11 values unless stated.
#pragma once
#include <openssl/x509.h>
#include <optional>
#include <string>
#include <vector>

#include "token/cryptoki.h"

namespace quervik {

struct SlotCard {
  CK_SLOT_ID slot = 0;
  std::string label;         // the card's label without its padding blanks
  bool initialized = false;  // a card never initialised has no label, PIN or objects
};

// The slots that hold a card, in the module's order, with their cards' labels; none after 197,
// 198 or 199 (see listTokenSlots). A card whose information cannot be read has no label.
std::optional<std::vector<SlotCard>> cardsInSlots();

struct CardObject {
  CK_OBJECT_HANDLE handle = CK_INVALID_HANDLE;
  CK_OBJECT_CLASS objectClass = 0;
  std::string label;
};

// Every object the session sees (no limit on the number), in the module's order. An object
// whose class or label cannot be read is listed with the class ~0 and an empty label.
[[nodiscard]] CK_RV listCardObjects(CK_SESSION_HANDLE session, std::vector<CardObject>& objects);

// The first object of the class labelled exactly so (no prefix is added); CKR_OK with *found
// set, kNameNotFound when there is none, or the module's value.
[[nodiscard]] CK_RV findObjectOfClass(CK_SESSION_HANDLE session, CK_OBJECT_CLASS objectClass, const std::string& label,
                                      CK_OBJECT_HANDLE* found);

// The certificate named as the signing work names it: labelled "Certifikat:<name>", else the
// first whose DN text contains the name in any letter case. CKR_OK with *found set, or
// kNameNotFound.
[[nodiscard]] CK_RV findCertificateByName(CK_SESSION_HANDLE session, const char* name, CK_OBJECT_HANDLE* found);

// Whether the key pair "Privatni klic:<keyName>" (with "Verejny klic:<keyName>" when there is
// one) holds the certificate's key: 0 yes; -1 there is no such private key; -2 its modulus
// differs from the certificate's (or cannot be read). Only a certificate without an RSA key is
// reported (by the card layer, 181); the caller says what went wrong.
[[nodiscard]] int keyPairMatchesCertificate(CK_SESSION_HANDLE session, const X509* certificate, const char* keyName);
// After that check, gives both keys the CKA_ID a stored certificate gets (its serial number as
// a DER INTEGER), so that the certificate finds its private key. 0; -1, -2 as above; -3 the
// card refused the change.
[[nodiscard]] int linkKeyPairToCertificate(CK_SESSION_HANDLE session, const X509* certificate, const char* keyName);

}  // namespace quervik
