# Linux programs for i686 with the host compiler (-m32; Debian's g++-multilib),
# libraries from the i386 multiarch folders. Position-dependent code, as the
# Win32 compiler makes it (Windows moves an image with its relocations):
# Debian's default PIE would cost i686 code one of its seven registers.
# 64-bit file offsets and times, as on x86-64: archives past 2 GiB, and file
# times past 2038.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_FLAGS_INIT "-m32 -fno-pie -D_FILE_OFFSET_BITS=64 -D_TIME_BITS=64")
set(CMAKE_CXX_FLAGS_INIT "-m32 -fno-pie -D_FILE_OFFSET_BITS=64 -D_TIME_BITS=64")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32 -no-pie")
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
# pkg-config (which FindOpenSSL asks first) from the i386 folder too.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/i386-linux-gnu/pkgconfig:/usr/share/pkgconfig)
