# Runs ptx-recipe once and checks its exit status, its standard output against an expected
# file (when given), and that no "config.xml" appeared in the folder it ran in.
#   -DTOOL=... -DWORKDIR=... -DEXPECTED_RC=... [-DEXPECTED=file] [-DEXPECTED_TEXT=text]
#   -DARGS=arg|arg|...
string(REPLACE "|" ";" args "${ARGS}")
file(REMOVE ${WORKDIR}/config.xml)
execute_process(COMMAND ${TOOL} ${args}
                WORKING_DIRECTORY ${WORKDIR}
                RESULT_VARIABLE rc
                OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
if(NOT rc EQUAL EXPECTED_RC)
    message(FATAL_ERROR "exit status ${rc}, expected ${EXPECTED_RC}\n${err}")
endif()
if(DEFINED EXPECTED)
    file(READ ${EXPECTED} expected)
    if(NOT out STREQUAL expected)
        message(FATAL_ERROR "output differs from ${EXPECTED}:\n${out}")
    endif()
endif()
if(DEFINED EXPECTED_TEXT)
    string(FIND "${out}" "${EXPECTED_TEXT}" found)
    if(found EQUAL -1)
        message(FATAL_ERROR "output lacks \"${EXPECTED_TEXT}\":\n${out}")
    endif()
endif()
if(EXISTS ${WORKDIR}/config.xml)
    message(FATAL_ERROR "ptx-recipe left a config.xml in its working folder")
endif()
