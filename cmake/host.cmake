# Host build: the program's logic over the in-memory platform, with sanitizers.
if(LARKMAIL_SANITIZE AND NOT MSVC)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
if(NOT MSVC)
    add_compile_options(-Wall -Wextra -Werror=return-type)
endif()

file(GLOB LARKMAIL_FAKE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/fake/*.cpp)
add_library(larkmail_core STATIC ${LARKMAIL_CORE_SOURCES} ${LARKMAIL_FAKE_SOURCES})
target_include_directories(larkmail_core PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(larkmail_core PUBLIC LARKMAIL_FAKE_PLATFORM=1)

include(cmake/gtest.cmake)

file(GLOB LARKMAIL_HOST_TESTS CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/tests/unit/*_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/host/*_test.cpp)
add_executable(unit_tests ${LARKMAIL_HOST_TESTS})
target_link_libraries(unit_tests PRIVATE larkmail_core GTest::gtest_main)
target_compile_definitions(unit_tests PRIVATE LARKMAIL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
add_test(NAME unit COMMAND unit_tests --gtest_brief=1)
set_tests_properties(unit PROPERTIES LABELS unit)

include(tests/fuzz/fuzz.cmake OPTIONAL)
