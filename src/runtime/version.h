// The two version texts the host shows: this library's and the cryptographic library
// interface it was built for.
#pragma once

namespace quervik {

inline constexpr const char* kLibraryVersion = "QuervikDll 1.12.19.11";
inline constexpr const char* kCryptoVersion = "OpenSSL 0.9.7b 10 Apr 2003";

}  // namespace quervik
