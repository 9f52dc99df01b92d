# Compilación cruzada para Windows de 64 bits con mingw-w64 de Debian (g++-mingw-w64-x86-64).
# Uso: cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DOV_QT=OFF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(OV_MINGW x86_64-w64-mingw32)
# La variante posix trae std::thread y std::mutex; se enlaza estática (ver CMakeLists.txt).
set(CMAKE_C_COMPILER ${OV_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OV_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${OV_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${OV_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Los .exe de las pruebas corren bajo wine, si está.
find_program(OV_WINE NAMES wine wine64)
if(OV_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${OV_WINE})
endif()

# -O2: con -O3 el g++ 12 de mingw da un falso -Wrestrict en std::string (error con -Werror).
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE "-s" CACHE STRING "")
