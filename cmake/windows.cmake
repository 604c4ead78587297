# Windows build (MinGW-w64 cross build or MSVC): the real program, the same
# unit tests over the real platform layer, the test doubles and the e2e tests.
if(MSVC)
    set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
    add_compile_options(/W4 /utf-8 /DUNICODE /D_UNICODE)
else()
    add_compile_options(-Wall -Wextra -Werror=return-type -municode -DUNICODE -D_UNICODE)
    add_link_options(-static -static-libgcc -static-libstdc++)
endif()
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00)

include(cmake/payload.cmake)
# The one version, from project(): VERSIONINFO gets it through the .rc, scripts/release from here.
file(WRITE ${CMAKE_BINARY_DIR}/version.txt "${PROJECT_VERSION}\n")

file(GLOB LARKMAIL_WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/win32/*.cpp)
list(FILTER LARKMAIL_WIN32_SOURCES EXCLUDE REGEX "/entry_main\\.cpp$")
add_library(larkmail_core STATIC ${LARKMAIL_CORE_SOURCES} ${LARKMAIL_WIN32_SOURCES})
target_include_directories(larkmail_core PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(larkmail_core PUBLIC gdi32 ole32 oleaut32 uuid shell32 shlwapi uxtheme crypt32 mpr)

add_executable(LarkmailBackup WIN32
    ${CMAKE_SOURCE_DIR}/platform/win32/entry_main.cpp
    ${LARKMAIL_RC_FILE})
target_link_libraries(LarkmailBackup PRIVATE larkmail_core)
include(cmake/delay_load.cmake)
larkmail_delay_load(LarkmailBackup)
if(MINGW)
    add_test(NAME exe_imports COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP}
        -DEXE=$<TARGET_FILE:LarkmailBackup> -P ${CMAKE_SOURCE_DIR}/cmake/check_imports.cmake)
    set_tests_properties(exe_imports PROPERTIES LABELS win)
endif()
if(NOT MSVC)
    target_link_options(LarkmailBackup PRIVATE -municode -mwindows)
endif()
add_custom_command(TARGET LarkmailBackup POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${LARKMAIL_7ZIP_LICENSE} $<TARGET_FILE_DIR:LarkmailBackup>/License.txt
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/lang $<TARGET_FILE_DIR:LarkmailBackup>/Lang)

include(cmake/gtest.cmake)
# MinGW's win32 thread model has no std::mutex, which GoogleTest's
# Notification needs; it gets one over a Win32 event instead.
if(MINGW AND TARGET gtest)
    target_sources(gtest PRIVATE ${CMAKE_SOURCE_DIR}/cmake/mingw-gtest/notification.cpp)
    target_compile_options(gtest PUBLIC -include ${CMAKE_SOURCE_DIR}/cmake/mingw-gtest/notification.h)
endif()

file(GLOB LARKMAIL_WIN_TESTS CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/tests/unit/*_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/win/*_test.cpp)
# The tests carry the program's resources, so the embedded 7-Zip is tested too.
add_executable(win_unit_tests ${LARKMAIL_WIN_TESTS} ${LARKMAIL_RC_FILE})
target_link_libraries(win_unit_tests PRIVATE larkmail_core GTest::gtest_main)
include(cmake/icons.cmake)

# Test doubles: one program per source file, named after it.
file(GLOB LARKMAIL_DOUBLES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/doubles/*.cpp)
set(LARKMAIL_DOUBLE_TARGETS "")
foreach(src ${LARKMAIL_DOUBLES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(double_${name} ${src})
    set_target_properties(double_${name} PROPERTIES OUTPUT_NAME ${name}
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/doubles)
    if(NOT MSVC)
        target_link_options(double_${name} PRIVATE -municode)
    endif()
    target_link_libraries(double_${name} PRIVATE user32 kernel32 shell32 ole32 uuid psapi crypt32)
    list(APPEND LARKMAIL_DOUBLE_TARGETS double_${name})
endforeach()

if(NOT CMAKE_HOST_WIN32)
    include(cmake/wine_tests.cmake)
endif()
