# The shipped library carries none of the PCI console (editor, bus scan, card
# choice), which only pcidiag and the tests link: its texts must not appear.
#   cmake -DLIBRARY=<file> -P check_no_console.cmake
foreach(text IN ITEMS "Edit PCI configuration registers" "Press Enter to continue to next slot")
  file(STRINGS "${LIBRARY}" found REGEX "${text}")
  if(found)
    message(FATAL_ERROR "${LIBRARY} holds the console text \"${text}\"")
  endif()
endforeach()
