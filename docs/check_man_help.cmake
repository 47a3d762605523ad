# Every option and command that a tool's --help names is on its man page.
#   -DTOOLS=<program>|<program>|...  -DMANDIR=<folder of the section 1 pages>
#
# A tool's page is MANDIR/<tool>.1 (a page that is only ".so" to another is
# followed), or the page whose NAME section lists the tool. What --help names:
#   - every option word: "-x" or "--word" after a blank, "[", "(", "|" or ",";
#   - the first word of each line indented by exactly two blanks (the lists
#     of commands, options and script commands), unless it starts with "<";
#   - every word of such a line that is only words separated by single
#     blanks (a list of names, such as the bus analyser's exports).
# On the page, a name counts when it stands as a word of its own in the text
# (the roff escapes \- and \f. removed). A tool that no page names is listed
# and the test is reported as skipped; a name missing from a page fails it.
string(REPLACE "|" ";" tools "${TOOLS}")
file(GLOB pages "${MANDIR}/*.1")

# The page's text with its roff escapes for dashes, fonts and blanks undone.
function(page_text page out)
  file(READ "${page}" text)
  if(text MATCHES "^\\.so ([^\n]+)")
    get_filename_component(target "${CMAKE_MATCH_1}" NAME)
    file(READ "${MANDIR}/${target}" text)
  endif()
  string(REPLACE "\\-" "-" text "${text}")
  string(REPLACE "\\e" "\\" text "${text}")
  string(REGEX REPLACE "\\\\f[A-Z]" "" text "${text}")
  string(REGEX REPLACE "\\\\f\\([A-Z][A-Z]" "" text "${text}")
  string(REPLACE "\\~" " " text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The page that documents the tool, or "".
function(page_of tool out)
  set(${out} "" PARENT_SCOPE)
  if(EXISTS "${MANDIR}/${tool}.1")
    set(${out} "${MANDIR}/${tool}.1" PARENT_SCOPE)
    return()
  endif()
  foreach(page IN LISTS pages)
    file(READ "${page}" text)
    string(REPLACE "\\-" "-" text "${text}")
    if(text MATCHES "\\.SH NAME\n([^\n]*) - ")
      string(REPLACE "," ";" names "${CMAKE_MATCH_1}")
      foreach(name IN LISTS names)
        string(STRIP "${name}" name)
        if(name STREQUAL tool)
          set(${out} "${page}" PARENT_SCOPE)
          return()
        endif()
      endforeach()
    endif()
  endforeach()
endfunction()

# The options and commands that the help text names.
function(help_names help out)
  set(names "")
  # Square brackets would hold list elements together: "[" becomes "(".
  string(REPLACE "[" "(" help "${help}")
  string(REPLACE "]" ")" help "${help}")
  string(REGEX MATCHALL "[ \t\n(|,]--?[A-Za-z][A-Za-z0-9-]*" options "\n${help}")
  foreach(option IN LISTS options)
    string(REGEX REPLACE "^[^-]" "" option "${option}")
    list(APPEND names "${option}")
  endforeach()
  string(REPLACE ";" "\\;" help "${help}")
  string(REPLACE "\n" ";" lines "${help}")
  foreach(line IN LISTS lines)
    if(line MATCHES "^  ([A-Za-z][A-Za-z0-9_]*( [A-Za-z][A-Za-z0-9_]*)*)$")
      string(REPLACE " " ";" words "${CMAKE_MATCH_1}")
      list(APPEND names ${words})
    elseif(line MATCHES "^  ([A-Za-z][A-Za-z0-9_]*)")
      list(APPEND names "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES names)
  set(${out} "${names}" PARENT_SCOPE)
endfunction()

set(problems "")
set(unpaged "")
foreach(program IN LISTS tools)
  get_filename_component(tool "${program}" NAME_WE)
  execute_process(COMMAND "${program}" --help OUTPUT_VARIABLE help ERROR_VARIABLE help_errors
                  RESULT_VARIABLE status)
  string(APPEND help "${help_errors}")
  help_names("${help}" names)
  if(names STREQUAL "")
    string(APPEND problems "${tool} --help (status ${status}) names no option or command:\n${help}\n")
    continue()
  endif()
  page_of("${tool}" page)
  if(page STREQUAL "")
    list(APPEND unpaged "${tool}")
    continue()
  endif()
  page_text("${page}" text)
  set(missing "")
  foreach(name IN LISTS names)
    # Names are letters, digits, "_" and "-" only: no character to escape.
    if(NOT text MATCHES "(^|[^A-Za-z0-9_-])${name}($|[^A-Za-z0-9_-])")
      list(APPEND missing "${name}")
    endif()
  endforeach()
  if(missing)
    list(JOIN missing " " missing)
    get_filename_component(page_name "${page}" NAME)
    string(APPEND problems "${page_name} lacks what ${tool} --help names: ${missing}\n")
  else()
    message(STATUS "${tool}: every option and command of --help is on its page")
  endif()
endforeach()
if(problems)
  message(FATAL_ERROR "${problems}")
endif()
if(unpaged)
  list(JOIN unpaged " " unpaged)
  message(STATUS "man pages not checked for: ${unpaged} (no page names them)")
endif()
