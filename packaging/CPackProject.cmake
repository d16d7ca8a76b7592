# Read by cpack once for each package it makes.

# Every time stamp it writes, and those that strip writes into Windows programs, is the commit's.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH} AND NOT CPACK_TESSALY_SOURCE_DATE_EPOCH STREQUAL "")
    set(ENV{SOURCE_DATE_EPOCH} ${CPACK_TESSALY_SOURCE_DATE_EPOCH})
endif()

# The installer's name says what it is.
if(CPACK_GENERATOR STREQUAL "NSIS")
    set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_FILE_NAME}-setup")
endif()
