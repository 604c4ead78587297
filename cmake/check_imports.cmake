# cmake -DOBJDUMP=... -DEXE=... -P check_imports.cmake
# Fails when the program loads more than kernel32 and the C runtime at start:
# each further DLL costs a nightly /b tens of milliseconds under Wine.
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot read the import table of ${EXE}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
set(allowed "DLL Name: KERNEL32.dll;DLL Name: msvcrt.dll")
if(NOT names STREQUAL allowed)
    message(FATAL_ERROR "imported at start: ${names}; expected only: ${allowed}")
endif()
message(STATUS "imported at start: ${names}")
