# The cross build of what ships: MinGW-w64 for i686 with the Win32 thread
# model, so that no winpthreads (with its TLS callback and process-wide
# vectored exception handler) is linked into the viewer's process.
set(ZELQ_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-i686.cmake)
