# How the shipped stub is compiled and linked: built for size, no frame
# pointer (MinGW keeps one unless told, i686 Linux does not: the Win32 stub
# gains a register and loses 1.4 KiB of code), data aligned as the ABI asks
# (not tables padded to 32 bytes), no exceptions, no RTTI, no
# unwind tables, no build folder in the code, link-time optimisation, unused
# sections dropped, the runtime linked in.
# The Win32 stub and the host32 build (the same flags on Linux, i686) both take
# them from here, so what host32 measures is what users run.
set(SFX_STUB_COMPILE_OPTIONS -Os -fomit-frame-pointer -malign-data=abi -ffunction-sections -fno-exceptions -fno-rtti
    -fno-asynchronous-unwind-tables -ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
set(SFX_STUB_LINK_OPTIONS -s -static-libgcc -static-libstdc++ -Wl,--gc-sections)

# Except the hot code, compiled for speed: inflate's inner loop and LZMA's
# decoding loop (4.0 KiB of object code instead of 3.5 KiB for size). The options
# after -O2 keep it about 600 bytes smaller at the same speed (no alignment
# padding, no copied loop headers, functions called once left out of line).
# Set on the sources, so the layer libraries of this build (the benchmarks'
# in-process rows) compile them the same way.
set(SFX_STUB_SPEED_SOURCES decoders/inflate_fast.cpp decoders/lzma_decode.cpp)
set(SFX_STUB_SPEED_OPTIONS -O2 -fno-align-functions -fno-align-jumps -fno-align-loops -fno-align-labels
    -fno-tree-ch -fno-inline-functions-called-once)
set_source_files_properties(${SFX_STUB_SPEED_SOURCES} DIRECTORY ${CMAKE_SOURCE_DIR}
                            PROPERTIES COMPILE_OPTIONS "${SFX_STUB_SPEED_OPTIONS}")

function(sfx_use_stub_flags target)
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${SFX_STUB_COMPILE_OPTIONS}>)
  target_link_options(${target} PRIVATE ${SFX_STUB_LINK_OPTIONS})
  # Link-time optimisation lets the compiler work across the layers' files:
  # about 2 KiB less code (measured on the Win32 stub before its progress bar:
  # 40,448 bytes instead of 42,496).
  set_property(TARGET ${target} PROPERTY INTERPROCEDURAL_OPTIMIZATION ON)
endfunction()
