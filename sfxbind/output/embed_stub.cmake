# Writes OUTPUT, a C++ source holding the bytes of STUB (or no stub when STUB
# is empty or missing). The first line records what it holds and which
# version of this script wrote it, so an unchanged stub leaves the file alone
# and the tool is not rebuilt for nothing.
#   cmake -DSTUB=path -DOUTPUT=path -P embed_stub.cmake
file(SHA256 "${CMAKE_CURRENT_LIST_FILE}" script)
if(STUB AND EXISTS "${STUB}" AND NOT IS_DIRECTORY "${STUB}")
  file(SHA256 "${STUB}" hash)
  set(stamp "// stub ${STUB} ${hash}, script ${script}")
else()
  set(stamp "// no stub, script ${script}")
endif()

if(EXISTS "${OUTPUT}")
  file(STRINGS "${OUTPUT}" first_line LIMIT_COUNT 1)
  if(first_line STREQUAL stamp)
    return()
  endif()
endif()

if(hash)
  file(READ "${STUB}" hex HEX)
  string(REGEX REPLACE "(................................)" "\\1\n" hex "${hex}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  set(body "namespace {\nconst uint8_t kStub[] = {\n${bytes}\n};\n}  // namespace\n\n"
           "std::span<const uint8_t> embedded_stub() { return {kStub, sizeof kStub}; }\n")
  message(STATUS "sfxbind: built-in stub ${STUB}")
else()
  set(body "std::span<const uint8_t> embedded_stub() { return {}; }\n")
  message(STATUS "sfxbind: no built-in stub (${STUB} not found); --stub will be required")
endif()

file(WRITE "${OUTPUT}.new" "${stamp}\n#include \"sfxbind/output/embedded_stub.h\"\n\n${body}")
file(RENAME "${OUTPUT}.new" "${OUTPUT}")
