# Signed update answers. A provider builds with its public key:
#   cmake -DTOVRIN_UPDATE_KEY=/path/to/public.pem ...
# and Praxel.dll then uses an update answer only when it carries a valid
# signature by that key (see SignedAnswer.h). Without a key, nothing changes.
set(TOVRIN_UPDATE_KEY "" CACHE FILEPATH
  "ECDSA P-256 public key (PEM) that update answers must be signed with; empty: answers are not checked")
set(TOVRIN_UPDATE_MIN_SERIAL 0 CACHE STRING
  "Lowest update serial a keyed build accepts, even on a fresh profile (0 to 4294967295)")
# Without leading zeros, which would make the compiled number octal.
string(REGEX REPLACE "^0+([0-9])" "\\1" tovrin_min_serial "${TOVRIN_UPDATE_MIN_SERIAL}")
string(LENGTH "${tovrin_min_serial}" tovrin_min_serial_digits)
if(NOT tovrin_min_serial MATCHES "^[0-9]+$" OR tovrin_min_serial_digits GREATER 10
   OR tovrin_min_serial GREATER 4294967295)
  message(FATAL_ERROR "TOVRIN_UPDATE_MIN_SERIAL must be a whole number from 0 to 4294967295")
endif()
set(TOVRIN_SIGN_TOOL ${PROJECT_SOURCE_DIR}/tools/provider/sign-answer.py)

# True in out when the host can run the signing tool.
function(tovrin_can_sign out)
  find_program(TOVRIN_PYTHON3 python3)
  set(ok FALSE)
  if(TOVRIN_PYTHON3)
    execute_process(COMMAND ${TOVRIN_PYTHON3} -c "import cryptography" RESULT_VARIABLE failed
      OUTPUT_QUIET ERROR_QUIET)
    if(NOT failed)
      set(ok TRUE)
    endif()
  endif()
  set(${out} ${ok} PARENT_SCOPE)
endfunction()

# Builds target with the key: the key becomes a CNG blob in a header made in
# folder, and the checks are compiled in, refusing serials below min_serial.
function(praxel_use_update_key target key folder min_serial)
  tovrin_can_sign(can_sign)
  if(NOT can_sign)
    message(FATAL_ERROR "An update key needs python3 with the cryptography package (python3-cryptography)")
  endif()
  add_custom_command(OUTPUT ${folder}/UpdateKeyBlob.h
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND sh -c "\"$0\" \"$1\" c-header \"$2\" > \"$3\"" ${TOVRIN_PYTHON3} ${TOVRIN_SIGN_TOOL} ${key}
      ${folder}/UpdateKeyBlob.h
    DEPENDS ${key} ${TOVRIN_SIGN_TOOL}
    COMMENT "Update key for ${target}"
    VERBATIM)
  # AnswerVerify.cpp and RegistryAccess.cpp come with the download thread.
  target_sources(${target} PRIVATE ${folder}/UpdateKeyBlob.h
    ${PROJECT_SOURCE_DIR}/update/AnswerCheck.cpp)
  target_include_directories(${target} PRIVATE ${folder})
  target_compile_definitions(${target} PRIVATE TOVRIN_SIGNED_UPDATES TOVRIN_UPDATE_MIN_SERIAL=${min_serial}u)
  target_link_libraries(${target} PRIVATE bcrypt)
endfunction()

if(TOVRIN_WINDOWS AND TOVRIN_UPDATE_KEY)
  praxel_use_update_key(Praxel ${TOVRIN_UPDATE_KEY} ${CMAKE_BINARY_DIR}/generated/update-key
    ${tovrin_min_serial})
endif()

# For the tests: a second Praxel.dll with a key made at build time, in a
# folder of its own with the test programs that load it.
if(TOVRIN_WINDOWS AND TOVRIN_BUILD_TESTS AND NOT TOVRIN_UPDATE_KEY)
  tovrin_can_sign(can_sign)
  if(NOT can_sign)
    message(FATAL_ERROR "The signed-update tests need python3 with the cryptography package (python3-cryptography)")
  endif()
  set(TOVRIN_TEST_KEY_DIR ${CMAKE_BINARY_DIR}/test-update-keys)
  set(TOVRIN_SIGNED_BIN_DIR ${CMAKE_BINARY_DIR}/signed-bin)
  # The provider's key, and a stranger's for answers signed by someone else.
  add_custom_command(OUTPUT ${TOVRIN_TEST_KEY_DIR}/provider/public.pem ${TOVRIN_TEST_KEY_DIR}/stranger/public.pem
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${TOVRIN_TEST_KEY_DIR}
    COMMAND ${TOVRIN_PYTHON3} ${TOVRIN_SIGN_TOOL} keygen ${TOVRIN_TEST_KEY_DIR}/provider
    COMMAND ${TOVRIN_PYTHON3} ${TOVRIN_SIGN_TOOL} keygen ${TOVRIN_TEST_KEY_DIR}/stranger
    DEPENDS ${TOVRIN_SIGN_TOOL}
    COMMENT "Test update keys"
    VERBATIM)
  get_target_property(praxel_sources Praxel SOURCES)
  add_custom_target(test_update_keys DEPENDS ${TOVRIN_TEST_KEY_DIR}/provider/public.pem
    ${TOVRIN_TEST_KEY_DIR}/stranger/public.pem)
  add_library(Praxel_signed SHARED ${praxel_sources})
  target_include_directories(Praxel_signed PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_definitions(Praxel_signed PRIVATE PRAXEL_BUILD)
  target_link_libraries(Praxel_signed PRIVATE Utils praxel_xml praxel_unpack tovrin_log version)
  set_target_properties(Praxel_signed PROPERTIES PREFIX "" OUTPUT_NAME Praxel
    RUNTIME_OUTPUT_DIRECTORY ${TOVRIN_SIGNED_BIN_DIR}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/signed-lib)
  # A floor below the serials the tests store and sign (6, 7).
  set(TOVRIN_TEST_MIN_SERIAL 5)
  praxel_use_update_key(Praxel_signed ${TOVRIN_TEST_KEY_DIR}/provider/public.pem
    ${CMAKE_BINARY_DIR}/generated/test-update-key ${TOVRIN_TEST_MIN_SERIAL})
  # The programs beside it find Utils.dll there too.
  add_custom_command(TARGET Praxel_signed POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:Utils> ${TOVRIN_SIGNED_BIN_DIR}/)
endif()
