# Writes a gzipped manual page from a program's --help and --version output.
#   cmake -DPROGRAM=path -DSUMMARY=text -DOUTPUT=name.1.gz -P manpage.cmake
get_filename_component(name ${PROGRAM} NAME)
get_filename_component(folder ${PROGRAM} DIRECTORY)
# Run by name, so the usage line shows the name and not the build folder.
set(ENV{PATH} "${folder}:$ENV{PATH}")
execute_process(COMMAND ${name} --help OUTPUT_VARIABLE help RESULT_VARIABLE rc1)
execute_process(COMMAND ${name} --version OUTPUT_VARIABLE version RESULT_VARIABLE rc2
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(rc1 OR rc2 OR help STREQUAL "")
    message(FATAL_ERROR "${name} --help or --version failed")
endif()

# roff: backslashes escaped, and no line may start with a control character.
string(REPLACE "\\" "\\e" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
string(TOUPPER ${name} title)
string(REPLACE "-" "\\-" dashed ${name})
file(WRITE ${OUTPUT}.roff
".TH ${title} 1 \"\" \"${version}\" \"User Commands\"
.SH NAME
${dashed} \\- ${SUMMARY}
.SH DESCRIPTION
.nf
${help}.fi
")
file(ARCHIVE_CREATE OUTPUT ${OUTPUT} PATHS ${OUTPUT}.roff FORMAT raw COMPRESSION GZip)
file(REMOVE ${OUTPUT}.roff)
