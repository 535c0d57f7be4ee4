# The codecs of the browsers' session files: LZ4 (Firefox's "mozLz40" files),
# built from Debian's lz4 source package, which scripts/bootstrap unpacks into
# build/deps/lz4; and JSON through Debian's header-only nlohmann-json
# (nlohmann-json3-dev), whose headers are copied into the build tree so the
# cross compiler sees them without the rest of the host's /usr/include.

set(QUILMAR_LZ4_SOURCE_DIR "${PROJECT_SOURCE_DIR}/build/deps/lz4/source" CACHE PATH
    "Unpacked lz4 source package (scripts/bootstrap fetches it)")
set(QUILMAR_NLOHMANN_JSON_DIR "/usr/include/nlohmann" CACHE PATH "nlohmann-json headers (nlohmann-json3-dev)")

if(NOT EXISTS "${QUILMAR_LZ4_SOURCE_DIR}/lib/lz4.c")
  message(FATAL_ERROR "The lz4 source is missing at ${QUILMAR_LZ4_SOURCE_DIR}: run scripts/bootstrap "
                      "(or set QUILMAR_LZ4_SOURCE_DIR to an unpacked lz4 source tree).")
endif()
if(NOT EXISTS "${QUILMAR_NLOHMANN_JSON_DIR}/json.hpp")
  message(FATAL_ERROR "${QUILMAR_NLOHMANN_JSON_DIR}/json.hpp is missing: install nlohmann-json3-dev "
                      "(scripts/bootstrap does)")
endif()

# The block codec only (lz4.c): the frame format and the high-compression
# coder are not needed. The library's own warning level.
add_library(qm_lz4 STATIC "${QUILMAR_LZ4_SOURCE_DIR}/lib/lz4.c")
target_include_directories(qm_lz4 SYSTEM PUBLIC "${QUILMAR_LZ4_SOURCE_DIR}/lib")
if(MSVC)
  target_compile_options(qm_lz4 PRIVATE /O2 /W1)
else()
  target_compile_options(qm_lz4 PRIVATE -O2 -w)
endif()

set(qm_json_include "${CMAKE_BINARY_DIR}/third-party/include")
file(COPY "${QUILMAR_NLOHMANN_JSON_DIR}" DESTINATION "${qm_json_include}")
add_library(qm_json INTERFACE)
target_include_directories(qm_json SYSTEM INTERFACE "${qm_json_include}")
