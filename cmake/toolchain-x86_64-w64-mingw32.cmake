# 64-bit Windows. Test programs run under Wine (the wine64 package runs
# 64-bit programs), through a script that runs again a program Wine ended
# before it started.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/run-under-wine)
