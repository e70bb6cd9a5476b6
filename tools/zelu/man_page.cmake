# Script mode: writes the zelu tool's manual page from the tool's own texts,
# so the page cannot say anything that `zelu --help` does not.
#   cmake -DTOOL=<zelu> -DOUTPUT=<zelu.1> -DWORK=<folder> [-DEMULATOR=<runner>]
#         -DHELP2MAN=<help2man> -P man_page.cmake
# help2man turns `zelu --help` and `zelu --version` into NAME, DESCRIPTION
# and the command list; a section COMMANDS holds each command's own
# `zelu NAME --help`, word for word. EMULATOR runs a cross-built tool.

function(run_tool out)
  execute_process(COMMAND ${EMULATOR} ${TOOL} ${ARGN}
                  OUTPUT_VARIABLE text RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "zelu ${ARGN} failed (${status})")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Text as roff reads it literally: backslashes and hyphens escaped, and no
# line taken for a request.
function(roff_literal out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The command names, from the list under "commands:" in `zelu --help`.
function(command_names out overview)
  string(REGEX MATCH "\ncommands:\n(  [^\n]*\n)+" block "${overview}")
  string(REGEX MATCHALL "\n  [a-z0-9]+ " names "${block}")
  list(TRANSFORM names STRIP)
  if(NOT names)
    message(FATAL_ERROR "zelu --help lists no commands")
  endif()
  set(${out} ${names} PARENT_SCOPE)
endfunction()

run_tool(overview --help)
command_names(names "${overview}")

set(include [=[
[SYNOPSIS]
.B zelu
.I COMMAND
[\fIOPTIONS\fR] [\fIARGUMENTS\fR...]
.br
.B zelu
.I COMMAND
.B \-\-help
.br
.B zelu \-\-version

[COMMANDS]
What each command prints for \fBzelu\fR \fICOMMAND\fR \fB\-\-help\fR.
]=])
foreach(name IN LISTS names)
  run_tool(usage ${name} --help)
  roff_literal(usage "${usage}")
  string(APPEND include ".SS \"zelu ${name}\"\n.nf\n${usage}.fi\n")
endforeach()
file(MAKE_DIRECTORY ${WORK})
file(WRITE ${WORK}/zelu.h2m "${include}")

# help2man runs the program itself; a cross-built one through a wrapper.
set(program ${TOOL})
if(EMULATOR)
  set(program ${WORK}/zelu)
  string(JOIN " " runner ${EMULATOR} ${TOOL})
  file(WRITE ${program} "#!/bin/sh\nexec ${runner} \"$@\"\n")
  file(CHMOD ${program} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
endif()
execute_process(COMMAND ${HELP2MAN} --no-info --section 1
                  --name "string and encoding utilities over UTF-16 text"
                  --include ${WORK}/zelu.h2m --output ${OUTPUT} ${program}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man failed (${status})")
endif()
