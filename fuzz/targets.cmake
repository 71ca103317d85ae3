# The fuzz targets and the harness they share. Included by the fuzz build
# (fuzz/CMakeLists.txt, with libFuzzer) and by the ordinary test build, which
# replays the saved reproducers through the same target code.
set(SFX_FUZZ_TARGETS scan inflate inflate64 explode unshrink expand stored lzma inflate_zlib lzma_liblzma binder
    settings)
set(SFX_FUZZ_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR})

add_library(sfx_fuzz_harness STATIC ${SFX_FUZZ_SOURCE_DIR}/harness.cpp)
if(TARGET sfx_test_support)
  target_link_libraries(sfx_fuzz_harness PUBLIC sfx_test_support)
else()
  # The fuzz build has no test build: the in-process run without GoogleTest.
  target_sources(sfx_fuzz_harness PRIVATE
    ${CMAKE_SOURCE_DIR}/tests/support/extraction_run.cpp
    ${CMAKE_SOURCE_DIR}/tests/support/scripted_front_end.cpp
    ${CMAKE_SOURCE_DIR}/tests/support/test_paths.cpp
    ${CMAKE_SOURCE_DIR}/tests/support/zip_builder.cpp)
  target_include_directories(sfx_fuzz_harness PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_definitions(sfx_fuzz_harness PRIVATE SFX_CORPUS_DIR="${CMAKE_SOURCE_DIR}/tests/corpus")
  target_link_libraries(sfx_fuzz_harness PUBLIC sfx_core)
endif()

# Adds the executable `executable` built around fuzz target `name`; further
# arguments are more sources (a main of its own outside libFuzzer).
function(sfx_add_fuzz_target executable name)
  set(decoder_methods inflate 8 inflate64 9 explode 6 unshrink 1 expand 2 stored 0 lzma 14)
  if(name STREQUAL "scan")
    add_executable(${executable} ${SFX_FUZZ_SOURCE_DIR}/scan_target.cpp ${ARGN})
  elseif(name STREQUAL "settings")
    # The settings block read from a program file, as the stub reads it.
    add_executable(${executable} ${SFX_FUZZ_SOURCE_DIR}/settings_target.cpp ${ARGN})
  elseif(name STREQUAL "binder")
    # The binder as its users run it: reading, checking, writing, verifying.
    add_executable(${executable} ${SFX_FUZZ_SOURCE_DIR}/binder_target.cpp ${ARGN})
    target_link_libraries(${executable} PRIVATE sfxbind_core)
  elseif(name STREQUAL "inflate_zlib")
    # zlib as the reference decoder, linked into this target only.
    find_package(ZLIB REQUIRED)
    add_executable(${executable} ${SFX_FUZZ_SOURCE_DIR}/inflate_zlib_target.cpp
                   ${SFX_FUZZ_SOURCE_DIR}/differential.cpp ${ARGN})
    target_link_libraries(${executable} PRIVATE ZLIB::ZLIB)
  elseif(name STREQUAL "lzma_liblzma")
    # liblzma's raw LZMA1 coder as the reference, linked into this target only.
    find_package(LibLZMA REQUIRED)
    add_executable(${executable} ${SFX_FUZZ_SOURCE_DIR}/lzma_liblzma_target.cpp
                   ${SFX_FUZZ_SOURCE_DIR}/differential.cpp ${ARGN})
    target_link_libraries(${executable} PRIVATE LibLZMA::LibLZMA)
  else()
    list(FIND decoder_methods ${name} at)
    if(at LESS 0)
      message(FATAL_ERROR "unknown fuzz target ${name}")
    endif()
    math(EXPR at "${at} + 1")
    list(GET decoder_methods ${at} method)
    add_executable(${executable} ${SFX_FUZZ_SOURCE_DIR}/decoder_target.cpp ${ARGN})
    target_compile_definitions(${executable} PRIVATE SFX_FUZZ_METHOD=${method})
  endif()
  target_link_libraries(${executable} PRIVATE sfx_fuzz_harness)
endfunction()
