# Targets of the Windows x64 cross-build beside the core, quervik.dll and quervik.exe that
# CMakeLists.txt defines: the tools, the test executable run under Wine, the binary check and
# the zip for the users.
set_target_properties(quervik_jni PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_link_options(quervik_cli PRIVATE -municode)

add_executable(vzp_generate tools/vzp_generate.cc tools/vzp_generator.cc)
target_compile_options(vzp_generate PRIVATE ${QUERVIK_WARNINGS})
target_link_libraries(vzp_generate PRIVATE quervik_core)

# The DLL and the exe must run on a bare Windows: only system DLLs in their import tables, and
# the DLL exports the 25 JNI names undecorated.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/binaries.checked
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-windows-binaries $<TARGET_FILE:quervik_jni> $<TARGET_FILE:quervik_cli>
  COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/binaries.checked
  DEPENDS quervik_jni quervik_cli ${CMAKE_SOURCE_DIR}/scripts/check-windows-binaries VERBATIM)

set(zip_dir ${CMAKE_BINARY_DIR}/quervik-windows-x64)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/quervik-windows-x64.zip
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${zip_dir}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${zip_dir}/msg
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:quervik_jni> $<TARGET_FILE:quervik_cli>
          ${CMAKE_BINARY_DIR}/quervik.jar ${CMAKE_SOURCE_DIR}/cmake/README-windows.txt ${zip_dir}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/msg/errors.msg ${zip_dir}/msg
  COMMAND ${CMAKE_COMMAND} -E chdir ${CMAKE_BINARY_DIR}
          ${CMAKE_COMMAND} -E tar cf quervik-windows-x64.zip --format=zip quervik-windows-x64
  DEPENDS ${CMAKE_BINARY_DIR}/binaries.checked ${CMAKE_BINARY_DIR}/quervik.jar
          ${CMAKE_SOURCE_DIR}/cmake/README-windows.txt ${CMAKE_SOURCE_DIR}/msg/errors.msg VERBATIM)
add_custom_target(quervik_zip ALL DEPENDS ${CMAKE_BINARY_DIR}/quervik-windows-x64.zip)

# The test executable, run under Wine by scripts/wine-tests. The files that
# cmake/tests-not-on-windows.txt lists are not built here; the script prints why.
file(GLOB QUERVIK_TEST_SOURCES CONFIGURE_DEPENDS tests/*.cc)
file(STRINGS cmake/tests-not-on-windows.txt skipped REGEX "^[a-z]")
set(QUERVIK_TESTS_NOT_ON_WINDOWS)
foreach(line IN LISTS skipped)
  string(REGEX REPLACE " .*" "" name "${line}")
  list(APPEND QUERVIK_TESTS_NOT_ON_WINDOWS ${name})
endforeach()
foreach(name IN LISTS QUERVIK_TESTS_NOT_ON_WINDOWS)
  list(REMOVE_ITEM QUERVIK_TEST_SOURCES ${CMAKE_SOURCE_DIR}/tests/${name}.cc ${CMAKE_SOURCE_DIR}/tests/${name}_test.cc)
endforeach()
add_executable(quervik_tests ${QUERVIK_TEST_SOURCES} tools/vzp_generator.cc)
target_compile_options(quervik_tests PRIVATE ${QUERVIK_WARNINGS})
# The card tests load the cross-built SoftHSM2, named as Wine sees it (Z: is the Linux root).
target_compile_definitions(quervik_tests PRIVATE
  QUERVIK_SOURCE_DIR="${CMAKE_SOURCE_DIR}" QUERVIK_BINARY_DIR="${CMAKE_BINARY_DIR}"
  QUERVIK_TEST_SOFTHSM_DLL="Z:${QUERVIK_SOFTHSM_DLL}")
target_include_directories(quervik_tests PRIVATE tools)
target_link_libraries(quervik_tests PRIVATE quervik_core quervik_drg_delivery gtest)
