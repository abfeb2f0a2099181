# Writes tidewell-cli(1) from its template with the COMMANDS section taken from the built
# program's own `help`, so the page lists every command the program has.
#   cmake -DCLI=<tidewell-cli> -DTEMPLATE=<tidewell-cli.1.in> -DVERSION=<x.y> -DOUT=<file> -P ...
execute_process(COMMAND "${CLI}" help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${CLI} help failed (${status})")
endif()
string(REPLACE "\\" "\\e" help "${help}")
string(REPLACE "-" "\\-" help "${help}")
# Semicolons would split the CMake list: they stand aside while the lines are cut.
string(REPLACE ";" "@SEMICOLON@" help "${help}")
string(REPLACE "\n" ";" lines "${help}")
set(commands "")
foreach(line IN LISTS lines)
  # "  name usage" lines; the usage line and the "commands:" heading are in the template.
  if(line MATCHES "^  ([^ ]+) ?(.*)$")
    string(APPEND commands ".TP\n.B ${CMAKE_MATCH_1}\n${CMAKE_MATCH_2}\n")
  endif()
endforeach()
if(commands STREQUAL "")
  message(FATAL_ERROR "${CLI} help listed no commands")
endif()
string(REPLACE "@SEMICOLON@" ";" commands "${commands}")
file(READ "${TEMPLATE}" page)
string(REPLACE "@TIDEWELL_CLI_COMMANDS@\n" "${commands}" page "${page}")
string(REPLACE "@TIDEWELL_VERSION@" "${VERSION}" page "${page}")
file(WRITE "${OUT}" "${page}")
