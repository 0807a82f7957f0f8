# 32-bit Windows. Compiled only: this project's machines run no 32-bit
# programs.
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
