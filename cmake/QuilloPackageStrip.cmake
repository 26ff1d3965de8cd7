# SPDX-License-Identifier: GPL-3.0-or-later
# Run by CPack after the files are installed into its staging folder and
# stripped: removes the .comment section (compiler version notes) from the
# programs, which Debian's own packages do not ship.
find_program(QUILLO_OBJCOPY objcopy REQUIRED)
file(GLOB_RECURSE quillo_programs
  "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/*" "${CPACK_TEMPORARY_DIRECTORY}/*/bin/*")
list(REMOVE_DUPLICATES quillo_programs)
foreach(program IN LISTS quillo_programs)
  if(NOT IS_SYMLINK "${program}")
    execute_process(COMMAND ${QUILLO_OBJCOPY} --remove-section=.comment "${program}"
      RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "objcopy could not remove .comment from ${program}")
    endif()
  endif()
endforeach()
