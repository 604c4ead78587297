# Fuzzing the key/value reader: libFuzzer when clang is there, seeded random inputs otherwise.
set(LARKMAIL_FUZZ_SOURCES
    ${CMAKE_SOURCE_DIR}/tests/fuzz/key_value_fuzz.cpp
    ${CMAKE_SOURCE_DIR}/config/key_value_file.cpp
    ${CMAKE_SOURCE_DIR}/config/language_table.cpp
    ${CMAKE_SOURCE_DIR}/config/default_texts.cpp
    ${CMAKE_SOURCE_DIR}/platform/common/text.cpp
    ${CMAKE_SOURCE_DIR}/platform/fake/fake_state.cpp
    ${CMAKE_SOURCE_DIR}/platform/fake/fake_files.cpp
    ${CMAKE_SOURCE_DIR}/platform/fake/fake_system.cpp
    ${CMAKE_SOURCE_DIR}/platform/fake/fake_text_case.cpp)
set(LARKMAIL_FUZZ_SECONDS 5 CACHE STRING "How long the key/value fuzz test runs")

option(LARKMAIL_LIBFUZZER "Build the key/value fuzz test with clang's libFuzzer when clang is found" ON)
if(LARKMAIL_LIBFUZZER)
    find_program(LARKMAIL_CLANGXX NAMES clang++ clang++-16 clang++-15 clang++-14)
endif()
if(LARKMAIL_LIBFUZZER AND LARKMAIL_CLANGXX)
    # Built with its own compiler, beside the g++ host build.
    set(fuzzer ${CMAKE_BINARY_DIR}/key_value_fuzzer)
    add_custom_command(
        OUTPUT ${fuzzer}
        COMMAND ${LARKMAIL_CLANGXX} -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined
                -DLARKMAIL_FAKE_PLATFORM=1 -I${CMAKE_SOURCE_DIR} ${LARKMAIL_FUZZ_SOURCES} -o ${fuzzer}
        DEPENDS ${LARKMAIL_FUZZ_SOURCES}
        COMMENT "Building the key/value fuzzer with clang"
        VERBATIM)
    add_custom_target(build_key_value_fuzzer ALL DEPENDS ${fuzzer})
    # New inputs go to the build tree's corpus; the language files seed it.
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz_corpus)
    set(seeds ${CMAKE_BINARY_DIR}/fuzz_corpus)
    if(EXISTS ${CMAKE_SOURCE_DIR}/lang)
        list(APPEND seeds ${CMAKE_SOURCE_DIR}/lang)
    endif()
    add_test(NAME fuzz_key_value
             COMMAND ${fuzzer} -max_total_time=${LARKMAIL_FUZZ_SECONDS} -max_len=8192 -timeout=10 ${seeds})
else()
    list(REMOVE_ITEM LARKMAIL_FUZZ_SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/key_value_fuzz.cpp)
    add_executable(key_value_random_inputs ${CMAKE_SOURCE_DIR}/tests/fuzz/random_inputs_main.cpp
                                           ${CMAKE_SOURCE_DIR}/tests/fuzz/key_value_fuzz.cpp)
    target_link_libraries(key_value_random_inputs PRIVATE larkmail_core)
    add_test(NAME fuzz_key_value COMMAND key_value_random_inputs ${LARKMAIL_FUZZ_SECONDS})
endif()
set_tests_properties(fuzz_key_value PROPERTIES LABELS unit TIMEOUT 120)
