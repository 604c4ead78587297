# Tests that run the Windows binaries under Wine. One Wine prefix per build
# tree, created once by a fixture; every e2e test works in its own folder.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(LARKMAIL_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
# A display number of its own per build tree, so parallel trees do not meet.
string(MD5 tree_hash "${CMAKE_BINARY_DIR}")
string(SUBSTRING "${tree_hash}" 0 2 tree_hex)
math(EXPR tree_display "0x${tree_hex} + 100")
set(LARKMAIL_DISPLAY ":${tree_display}")
set(LARKMAIL_WINE_ENV
    WINEPREFIX=${LARKMAIL_WINEPREFIX}
    WINEDEBUG=-all
    DISPLAY=${LARKMAIL_DISPLAY}
    LARKMAIL_EXE=$<TARGET_FILE:LarkmailBackup>
    LARKMAIL_DOUBLES=${CMAKE_BINARY_DIR}/doubles
    LARKMAIL_PAYLOAD=${LARKMAIL_7ZIP_SOURCE}
    LARKMAIL_SOURCE=${CMAKE_SOURCE_DIR}
    LARKMAIL_BUILD=${CMAKE_BINARY_DIR})

add_test(NAME wine_start COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-session start ${LARKMAIL_WINEPREFIX} ${LARKMAIL_DISPLAY})
set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine LABELS "win;e2e" TIMEOUT 300)
add_test(NAME wine_stop COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-session stop ${LARKMAIL_WINEPREFIX})
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine LABELS "win;e2e")

# The output goes through a file: Wine's headless console hosts of the tests'
# hidden children can outlive them holding inherited handles, and ctest would
# wait on its pipe until the time-out.
add_test(NAME win_unit COMMAND sh -c "wine \"$1\" --gtest_brief=1 >\"$2\" 2>&1; code=$?; cat \"$2\"; exit $code"
    win_unit $<TARGET_FILE:win_unit_tests> ${CMAKE_BINARY_DIR}/win_unit.log)
set_tests_properties(win_unit PROPERTIES LABELS win FIXTURES_REQUIRED wine RUN_SERIAL TRUE
    ENVIRONMENT "${LARKMAIL_WINE_ENV}" TIMEOUT 300)

file(GLOB LARKMAIL_E2E_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/test_*.py)
foreach(script ${LARKMAIL_E2E_TESTS})
    get_filename_component(name ${script} NAME_WE)
    string(REGEX REPLACE "^test_" "" name ${name})
    add_test(NAME e2e_${name} COMMAND ${Python3_EXECUTABLE} -m unittest -v test_${name}
        WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/e2e)
    # unittest imports by module name, so the file is test_<name>.py
    # One at a time (win_unit too): interactive copies share the wineserver
    # and so the single-instance mutex, the tray and the desktop.
    set_tests_properties(e2e_${name} PROPERTIES LABELS e2e FIXTURES_REQUIRED wine RUN_SERIAL TRUE
        ENVIRONMENT "${LARKMAIL_WINE_ENV}" TIMEOUT 600)
endforeach()
