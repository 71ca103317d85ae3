# The Win32 stub's sections: ld's own layout, with three of the C runtime's
# small sections moved into larger ones of the same kind. A PE file pads
# every section to 512 bytes, and the runtime's initialiser tables (.CRT,
# 56 bytes), its TLS template (.tls, 8 bytes) and its unwind tables
# (.eh_frame, 1.2 KiB: the stub throws nothing) each had one of their own:
# 1.5 KiB of every self-extractor was padding. The template and the tables
# open .data (the template first: the runtime addresses TLS data from the
# start of its section); the unwind tables follow .rdata's own data, before
# the runtime's relocation list, whose end ld marks at the section's end.
# The layout is made from the linker's own at configure time, so it follows
# the binutils that links it.
execute_process(COMMAND ${CMAKE_LINKER} --verbose OUTPUT_VARIABLE script RESULT_VARIABLE ld_failed)
set(rule "==================================================\n")
string(FIND "${script}" "${rule}" script_start)
if(ld_failed OR script_start EQUAL -1)
  message(FATAL_ERROR "${CMAKE_LINKER} --verbose printed no linker script")
endif()
string(LENGTH "${rule}" rule_length)
math(EXPR script_start "${script_start} + ${rule_length}")
string(SUBSTRING "${script}" ${script_start} -1 script)
string(FIND "${script}" "${rule}" script_end)
string(SUBSTRING "${script}" 0 ${script_end} script)

# Cuts the output section `name` out of the script and gives back its contents.
function(take_section name out)
  set(pattern "  \\.${name} BLOCK\\(__section_alignment__\\) :\n  {\n([^}]*)  }\n")
  string(REGEX MATCH "${pattern}" found "${script}")
  if(NOT found)
    message(FATAL_ERROR "ld's linker script has no section ${name} as expected")
  endif()
  set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  string(REPLACE "${found}" "" script "${script}")
  set(script "${script}" PARENT_SCOPE)
endfunction()

take_section(CRT crt_tables)
take_section(tls tls_template)
take_section(eh_frame unwind_tables)
# The TLS support's dynamic initialiser markers, which ld leaves to a .CRT
# of their own when no rule names them.
string(APPEND crt_tables "    KEEP (*(SORT(.CRT$XD*)))\n")
set(relocation_list "    . = ALIGN(4);\n    __rt_psrelocs_start = .;\n")
foreach(anchor "    __data_start__ = . ;\n" "${relocation_list}")
  string(FIND "${script}" "${anchor}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "ld's linker script has no '${anchor}'")
  endif()
endforeach()
string(REPLACE "    __data_start__ = . ;\n" "${tls_template}${crt_tables}    __data_start__ = . ;\n" script
               "${script}")
string(REPLACE "${relocation_list}" "${unwind_tables}${relocation_list}" script "${script}")
# Rewritten only when it changes, so that configuring again relinks nothing.
file(WRITE ${CMAKE_BINARY_DIR}/win32_sections.ld.new "${script}")
configure_file(${CMAKE_BINARY_DIR}/win32_sections.ld.new ${CMAKE_BINARY_DIR}/win32_sections.ld COPYONLY)
target_link_options(sfxstub PRIVATE -Wl,-T,${CMAKE_BINARY_DIR}/win32_sections.ld)
set_property(TARGET sfxstub APPEND PROPERTY LINK_DEPENDS ${CMAKE_BINARY_DIR}/win32_sections.ld)
