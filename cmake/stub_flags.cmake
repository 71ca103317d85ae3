# How the shipped stub is compiled and linked: built for size, no exceptions,
# no RTTI, no unwind tables, unused sections dropped, the runtime linked in.
# The Win32 stub and the host32 build (the same flags on Linux, i686) both take
# them from here, so what host32 measures is what users run.
set(SFX_STUB_COMPILE_OPTIONS -Os -ffunction-sections -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables)
set(SFX_STUB_LINK_OPTIONS -s -static-libgcc -static-libstdc++ -Wl,--gc-sections)

function(sfx_use_stub_flags target)
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${SFX_STUB_COMPILE_OPTIONS}>)
  target_link_options(${target} PRIVATE ${SFX_STUB_LINK_OPTIONS})
endfunction()
