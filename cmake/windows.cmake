# Dependencies of the Windows x64 cross-build (toolchain file cmake/mingw-w64-x86_64.cmake):
# the static libcrypto and the test card that `scripts/setup --windows` cached, the Cryptoki
# header of the build machine (types and constants only), GoogleTest built from its sources.
set(QUERVIK_WINDOWS_DEPS "$ENV{HOME}/.cache/quervik/windows-x64" CACHE PATH
    "the cache of scripts/setup-windows (openssl/, softhsm2/)")
if(NOT EXISTS ${QUERVIK_WINDOWS_DEPS}/openssl/lib/libcrypto.a)
  message(FATAL_ERROR "no static OpenSSL in ${QUERVIK_WINDOWS_DEPS}: run scripts/setup --windows")
endif()
add_library(OpenSSL::Crypto STATIC IMPORTED)
set_target_properties(OpenSSL::Crypto PROPERTIES
  IMPORTED_LOCATION ${QUERVIK_WINDOWS_DEPS}/openssl/lib/libcrypto.a
  INTERFACE_INCLUDE_DIRECTORIES ${QUERVIK_WINDOWS_DEPS}/openssl/include
  INTERFACE_LINK_LIBRARIES "ws2_32;crypt32")

find_path(QUERVIK_P11KIT_INCLUDE p11-kit/pkcs11.h PATHS /usr/include/p11-kit-1 NO_DEFAULT_PATH
          NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(P11KIT_INCLUDE_DIRS ${QUERVIK_P11KIT_INCLUDE})

# The Windows half of each platform file (name_windows.cc) replaces its POSIX half (name.cc).
function(quervik_platform_sources var)
  set(sources ${${var}})
  foreach(src IN LISTS sources)
    if(src MATCHES "^(.*)_windows\\.cc$")
      list(REMOVE_ITEM sources ${CMAKE_MATCH_1}.cc)
    endif()
  endforeach()
  set(${var} ${sources} PARENT_SCOPE)
endfunction()

set(QUERVIK_SOFTHSM_DLL ${QUERVIK_WINDOWS_DEPS}/softhsm2/softhsm2.dll)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# C99 formatting (%zu, %lld, exponents) as on Linux, so both builds print the same texts;
# Windows 7 calls and no min/max macros.
# -O2 as the Linux build (GCC 12's -O3 gives false -Wrestrict errors inside std::string).
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG")
add_compile_definitions(__USE_MINGW_ANSI_STDIO=1 _WIN32_WINNT=0x0601 WIN32_LEAN_AND_MEAN NOMINMAX)
