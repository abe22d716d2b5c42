# Prints the size of the program file named by EXE (run after linking talvik.exe).
file(SIZE "${EXE}" bytes)
math(EXPR kib "${bytes} / 1024")
message(STATUS "talvik.exe: ${bytes} bytes (${kib} KiB)")
