# Writes the header of the public keys that release manifests are checked with: the X||Y of each
# P-256 key of a PEM file (`openssl ec -pubout`, one or two keys), and the lowest release sequence
# the build accepts. The installer holds no parser of PEM or ASN.1: openssl turns each key into
# its DER form here, whose last 64 bytes are the point's two coordinates.
# cmake -DOPENSSL=openssl -DPEM=keys.pem -DOUTPUT=ReleaseKeys.h -DMIN_SEQUENCE=1 -DDEVELOPMENT=ON
#       [-DNAMESPACE=release] -P ReleaseKeys.cmake
if(NOT NAMESPACE)
  set(NAMESPACE release)
endif()
# Compared as text: CMake's numbers are doubles, too coarse near 2^63.
string(LENGTH "${MIN_SEQUENCE}" digits)
if(NOT MIN_SEQUENCE MATCHES "^[1-9][0-9]*$" OR digits GREATER 19 OR
   (digits EQUAL 19 AND MIN_SEQUENCE STRGREATER "9223372036854775807"))
  message(FATAL_ERROR "QUORVANE_MIN_RELEASE_SEQUENCE (${MIN_SEQUENCE}) is not a number from 1 to 2^63-1")
endif()
file(READ "${PEM}" pem)
string(REGEX MATCHALL "-----BEGIN PUBLIC KEY-----[^-]+-----END PUBLIC KEY-----" blocks "${pem}")
list(LENGTH blocks count)
if(count LESS 1 OR count GREATER 2)
  message(FATAL_ERROR "${PEM} holds ${count} public keys; the build takes one or two (a key and its successor)")
endif()
# The DER of an uncompressed P-256 public key: this header, then 04, X and Y.
set(p256_prefix "3059301306072a8648ce3d020106082a8648ce3d030107034200")
set(entries "")
set(index 0)
foreach(block IN LISTS blocks)
  set(one "${OUTPUT}.key${index}")
  file(WRITE "${one}.pem" "${block}\n")
  execute_process(COMMAND ${OPENSSL} ec -pubin -in "${one}.pem" -outform DER -conv_form uncompressed -out "${one}.der"
                  RESULT_VARIABLE failed ERROR_VARIABLE error)
  if(failed)
    message(FATAL_ERROR "Key ${index} of ${PEM} is not an EC public key: ${error}")
  endif()
  file(READ "${one}.der" der HEX)
  file(REMOVE "${one}.pem" "${one}.der")
  string(LENGTH "${der}" length)
  string(SUBSTRING "${der}" 0 54 prefix)
  if(NOT length EQUAL 182 OR NOT prefix STREQUAL "${p256_prefix}04")
    message(FATAL_ERROR "Key ${index} of ${PEM} is not a P-256 (prime256v1) public key")
  endif()
  string(SUBSTRING "${der}" 54 128 point)
  string(REGEX REPLACE "(..)" "0x\\1, " bytes "${point}")
  string(APPEND entries "    {{${bytes}}},\n")
  math(EXPR index "${index} + 1")
endforeach()
if(DEVELOPMENT)
  set(development true)
else()
  set(development false)
endif()
file(WRITE "${OUTPUT}.tmp" "// Generated at build time from ${PEM}.
#pragma once
#include <cstdint>

#include \"app/release/ManifestSignature.h\"

namespace ${NAMESPACE} {
// The public keys a release manifest may be signed with: either verifies it.
inline constexpr release::ReleaseKey kReleaseKeys[] = {
${entries}};
// No manifest with a lower sequence is ever accepted, whatever the machine recorded.
inline constexpr std::uint64_t kMinReleaseSequence = ${MIN_SEQUENCE}u;
// True when the key was made by the build itself, for tests and the demo: never published.
inline constexpr bool kDevelopmentKey = ${development};
}  // namespace ${NAMESPACE}
")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
