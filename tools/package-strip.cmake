# Run by CPack on the staged files before they are packed: strips the
# program as Debian's dh_strip does, symbols and the .comment and .note
# sections alike.
file(GLOB programs ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*)
foreach(program ${programs})
  execute_process(COMMAND ${CPACK_TESSALINE_STRIP} --remove-section=.comment --remove-section=.note ${program}
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "strip failed on ${program}")
  endif()
endforeach()
