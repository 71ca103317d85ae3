# The Win32 stub: the core, the dialog front end and the resources, built with
# the shipped stub's flags (cmake/stub_flags.cmake). It must stay small (it
# travels in front of every archive) and import nothing but KERNEL32, USER32,
# GDI32 (measuring list lines), COMCTL32 (the progress bar), ADVAPI32 (random
# names), SHELL32 (starting the program the settings name), bcrypt (encrypted
# entries' AES, HMAC-SHA1 and PBKDF2) and msvcrt.
#
# Two builds of one commit give the same bytes: no link time stamp in the PE
# header (unless SOURCE_DATE_EPOCH names one) and no build folder in the code.
enable_language(RC)
include(${CMAKE_CURRENT_LIST_DIR}/stub_flags.cmake)

# The layers' sources compiled again with the size flags (the libraries keep
# the ordinary ones for the tests); cmake/check_layers.cmake keeps their order.
add_executable(sfxstub WIN32 ${SFX_CORE_SOURCES} ${SFX_MAIN_SOURCES} platform/win32/lean_runtime_win32.cpp
                       resources/sfxstub.rc)
target_include_directories(sfxstub PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/resources)
sfx_use_stub_flags(sfxstub)
# msvcrt's own stdio, not mingw's larger replacement.
target_compile_definitions(sfxstub PRIVATE $<$<COMPILE_LANGUAGE:CXX>:__USE_MINGW_ANSI_STDIO=0>)
target_link_options(sfxstub PRIVATE -mwindows)
# No data imported behind the code's back: lean_runtime_win32.cpp patches none.
target_link_options(sfxstub PRIVATE -Wl,--disable-auto-import -Wl,--disable-runtime-pseudo-reloc)
target_link_libraries(sfxstub PRIVATE comctl32 gdi32 advapi32 shell32 bcrypt)
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  # ld stamps the PE header with SOURCE_DATE_EPOCH when it finds it at link time.
  set_property(TARGET sfxstub PROPERTY CXX_LINKER_LAUNCHER
               ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=$ENV{SOURCE_DATE_EPOCH})
else()
  target_link_options(sfxstub PRIVATE -Wl,--no-insert-timestamp)
endif()
set_property(SOURCE resources/sfxstub.rc APPEND PROPERTY OBJECT_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/resources/dlg32.h
  ${CMAKE_CURRENT_SOURCE_DIR}/resources/sfxstub.ico
  ${CMAKE_CURRENT_SOURCE_DIR}/resources/sfxstub.manifest)
include(${CMAKE_CURRENT_LIST_DIR}/win32_sections.cmake)
