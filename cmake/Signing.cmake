# Authenticode signing with test certificates made by the build.
# "main": the publisher the uninstaller accepts (it is on the accepted-publisher list of base/signature.cpp).
# "foreign": a publisher that is not on the list, for tests that must see a valid but unaccepted signature.
set(KORVEL_PUBLISHER "Qalmex Network Technology Co., Ltd." CACHE STRING "common name of the build's signing certificate")
set(KORVEL_FOREIGN_PUBLISHER "Unlisted Test Publisher Ltd." CACHE STRING "common name of a certificate that is not accepted")
set(KORVEL_CERT_DIR ${CMAKE_BINARY_DIR}/signing)

find_program(OPENSSL openssl REQUIRED)
find_program(OSSLSIGNCODE osslsigncode REQUIRED)

function(_korvel_make_cert which cn)
  set(dir ${KORVEL_CERT_DIR}/${which})
  if(NOT EXISTS ${dir}/cert.pem)
    file(MAKE_DIRECTORY ${dir})
    execute_process(
      COMMAND ${OPENSSL} req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650
              -keyout ${dir}/key.pem -out ${dir}/cert.pem -subj "/CN=${cn}"
              -addext "extendedKeyUsage=codeSigning" -addext "keyUsage=digitalSignature"
      RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "could not make the ${which} signing certificate")
    endif()
  endif()
endfunction()
_korvel_make_cert(main "${KORVEL_PUBLISHER}")
_korvel_make_cert(foreign "${KORVEL_FOREIGN_PUBLISHER}")

# korvel_sign(<target> [foreign]): sign the target's file after every link.
function(korvel_sign target)
  set(which main)
  if(ARGC GREATER 1)
    set(which ${ARGV1})
  endif()
  set(dir ${KORVEL_CERT_DIR}/${which})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${OSSLSIGNCODE} sign -h sha256 -certs ${dir}/cert.pem -key ${dir}/key.pem
            -n "Korvelia" -in $<TARGET_FILE:${target}> -out $<TARGET_FILE:${target}>.signed
    COMMAND ${CMAKE_COMMAND} -E rename $<TARGET_FILE:${target}>.signed $<TARGET_FILE:${target}>
    COMMENT "Signing ${target} (${which})" VERBATIM)
endfunction()
