// The Cryptoki (PKCS#11) types and constants, from the standard header. On Windows every
// module packs the Cryptoki structures to 1 byte (CK_ATTRIBUTE and CK_MECHANISM are 16 bytes
// there, 24 on Linux), so the header is read under that packing or every template would be
// misread by the card's module.
#pragma once
#ifdef _WIN32
#pragma pack(push, 1)
#include <p11-kit/pkcs11.h>
#pragma pack(pop)
#else
#include <p11-kit/pkcs11.h>
#endif
