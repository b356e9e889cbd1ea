# The key the updater checks package signatures with, compiled into the
# library package_key as a CryptoAPI PUBLICKEYBLOB (updater/package_key.h).
#
# WXB_PACKAGE_KEY names a PEM file with the publisher's RSA public key (2048
# to 4096 bits). When it is empty, the build makes a key pair of its own in
# package_key/ of the build folder and compiles in its public half, so every
# build checks signatures; the tests and the demo sign with its private half,
# WXB_PACKAGE_PRIVATE_KEY (empty with a publisher's key).
set(WXB_PACKAGE_KEY "" CACHE FILEPATH "PEM file with the RSA public key packages are signed with")

set(key_source ${CMAKE_BINARY_DIR}/generated/package_key_blob.cpp)
if(WXB_PACKAGE_KEY)
    if(NOT EXISTS ${WXB_PACKAGE_KEY})
        message(FATAL_ERROR "WXB_PACKAGE_KEY names no file: ${WXB_PACKAGE_KEY}")
    endif()
    set(public_key ${WXB_PACKAGE_KEY})
    set(WXB_PACKAGE_PRIVATE_KEY "")
    message(STATUS "Package key: ${WXB_PACKAGE_KEY}; tests that sign packages are left out")
else()
    find_program(WXB_OPENSSL openssl REQUIRED)
    set(WXB_PACKAGE_PRIVATE_KEY ${CMAKE_BINARY_DIR}/package_key/private.pem)
    set(public_key ${CMAKE_BINARY_DIR}/package_key/public.pem)
    # Made once, at the first configure, and never by the build itself, so
    # that a clean build keeps it: a new pair disowns every package signed so far.
    if(NOT EXISTS ${WXB_PACKAGE_PRIVATE_KEY})
        file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/package_key)
        execute_process(
            COMMAND ${WXB_OPENSSL} genpkey -quiet -algorithm RSA -pkeyopt rsa_keygen_bits:3072
                    -out ${WXB_PACKAGE_PRIVATE_KEY}
            RESULT_VARIABLE failed)
        if(failed)
            message(FATAL_ERROR "openssl could not make the build's package signing key")
        endif()
        message(STATUS "Package key: made a key pair in ${CMAKE_BINARY_DIR}/package_key")
    endif()
    message(WARNING "No publisher key (WXB_PACKAGE_KEY): this build's updater trusts only the "
                    "throwaway key in ${CMAKE_BINARY_DIR}/package_key and refuses every package the "
                    "publisher signed. Do not ship it.")
    add_custom_command(
        OUTPUT ${public_key}
        COMMAND ${WXB_OPENSSL} pkey -in ${WXB_PACKAGE_PRIVATE_KEY} -pubout -out ${public_key}
        DEPENDS ${WXB_PACKAGE_PRIVATE_KEY}
        VERBATIM)
endif()

add_custom_command(
    OUTPUT ${key_source}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/package_key.py ${public_key} ${key_source}
    DEPENDS ${public_key} ${CMAKE_SOURCE_DIR}/tools/package_key.py
    COMMENT "Compiling in the package key"
    VERBATIM)
add_library(package_key STATIC ${key_source})
