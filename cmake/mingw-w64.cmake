# Cross build for 64-bit Windows with mingw-w64 (the POSIX threads flavour, for std::thread).
#
# Alone, it builds the plain Win32 programs (the backends' tests, the bridge into Wine), linked
# statically so that they run under Wine without the compiler's DLLs beside them.
# With -DFVT_QT_WINDOWS=<folder of a Qt for Windows> it builds the program against that Qt: then
# the runtime is linked as DLLs, the same ones Qt's own DLLs use, and installed beside the .exe.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# try_compile() projects see the same Qt.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES FVT_QT_WINDOWS)
if(FVT_QT_WINDOWS)
    get_filename_component(FVT_QT_WINDOWS "${FVT_QT_WINDOWS}" ABSOLUTE)
    list(PREPEND CMAKE_FIND_ROOT_PATH "${FVT_QT_WINDOWS}")
    list(PREPEND CMAKE_PREFIX_PATH "${FVT_QT_WINDOWS}/lib/cmake")
    # moc, rcc and uic come from the Linux Qt of the same version.
    set(QT_HOST_PATH /usr CACHE PATH "")
    set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")
else()
    set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
endif()
