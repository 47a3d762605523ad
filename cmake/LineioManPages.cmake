# Man pages as Debian keeps them: compressed with gzip -9n (no name, no time
# stamp, so that the same page gives the same bytes), installed under
# <mandir>/man<section>; a page that documents a second program too is
# installed once more as a link under that program's name.
#
#   lineio_install_man_pages(SECTION 1 COMPONENT tools
#     PAGES man/pcidiag.1 ...
#     LINKS lineio-trace-merlin=lineio-trace-kestrel ...)   # link=page
find_program(LINEIO_GZIP gzip REQUIRED)

function(lineio_install_man_pages)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "SECTION;COMPONENT" "PAGES;LINKS")
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/man${arg_SECTION})
  set(destination ${CMAKE_INSTALL_MANDIR}/man${arg_SECTION})
  set(compressed "")
  foreach(page IN LISTS arg_PAGES)
    get_filename_component(name ${page} NAME)
    set(output ${folder}/${name}.gz)
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
      COMMAND sh -c "\"$0\" -9nc \"$1\" > \"$2\"" ${LINEIO_GZIP} ${CMAKE_CURRENT_SOURCE_DIR}/${page} ${output}
      DEPENDS ${page}
      COMMENT "Compressing the man page ${name}"
      VERBATIM)
    list(APPEND compressed ${output})
  endforeach()
  add_custom_target(lineio-man${arg_SECTION} ALL DEPENDS ${compressed})
  install(FILES ${compressed} DESTINATION ${destination} COMPONENT ${arg_COMPONENT})
  foreach(link IN LISTS arg_LINKS)
    string(REPLACE "=" ";" link ${link})
    list(GET link 0 name)
    list(GET link 1 target)
    set(suffix .${arg_SECTION}.gz)
    install(CODE "
      set(_man \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${destination}\")
      file(CREATE_LINK ${target}${suffix} \"\${_man}/${name}${suffix}\" SYMBOLIC)
      message(STATUS \"Installing: \${_man}/${name}${suffix} -> ${target}${suffix}\")" COMPONENT ${arg_COMPONENT})
  endforeach()
endfunction()
