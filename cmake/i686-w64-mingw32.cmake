# Cross toolchain: 32-bit Windows; tests run under 32-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUILLMERE_WINE /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
