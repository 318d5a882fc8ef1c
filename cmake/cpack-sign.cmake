# Run by CPack once the package's files are staged, before it packs them,
# when the build names a code-signing certificate (ORBELAN_SIGN_PFX): signs
# the staged Orbelan.exe with an Authenticode SHA-256 signature, so that the
# package, and the SHA-256 published with it, hold the signed program.
set(exe "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/Orbelan.exe")
if(NOT EXISTS "${exe}")
  message(FATAL_ERROR "signing: no Orbelan.exe among the package's files (${exe})")
endif()
set(timestamp)
if(CPACK_ORBELAN_SIGN_TIMESTAMP_URL)
  set(timestamp -ts "${CPACK_ORBELAN_SIGN_TIMESTAMP_URL}")
endif()
execute_process(
  COMMAND "${CPACK_ORBELAN_OSSLSIGNCODE}" sign -pkcs12 "${CPACK_ORBELAN_SIGN_PFX}"
          -readpass "${CPACK_ORBELAN_SIGN_PASSWORD_FILE}" -h sha256 -n Orbelan -i "${CPACK_ORBELAN_HOME_URL}"
          ${timestamp} -in "${exe}" -out "${exe}.signed"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  file(REMOVE "${exe}.signed")
  message(FATAL_ERROR "signing Orbelan.exe failed (${result}): ${output}")
endif()
file(RENAME "${exe}.signed" "${exe}")
message(STATUS "Orbelan.exe signed with ${CPACK_ORBELAN_SIGN_PFX}")
