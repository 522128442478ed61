# The fuzzers of the settings loader and the note decoder, when clang is installed: a project
# of its own, as the rest of the build uses the default compiler; ctest runs each for 5 s from
# its seed corpus, run.sh longer by hand.
find_program(KEVARO_CLANGXX NAMES clang++ clang++-14)
if(KEVARO_CLANGXX AND NOT KEVARO_SANITIZE)
    include(ExternalProject)
    set(KEVARO_FUZZ_DIR ${CMAKE_CURRENT_BINARY_DIR}/fuzz)
    ExternalProject_Add(kevaro_fuzzers
        SOURCE_DIR ${CMAKE_CURRENT_SOURCE_DIR}/fuzz BINARY_DIR ${KEVARO_FUZZ_DIR}
        CMAKE_ARGS -DCMAKE_CXX_COMPILER=${KEVARO_CLANGXX} -DCMAKE_BUILD_TYPE=RelWithDebInfo
        BUILD_ALWAYS ON INSTALL_COMMAND "")
    foreach(fuzzer config note)
        add_test(NAME fuzz_${fuzzer}
                 COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/run.sh
                         ${KEVARO_FUZZ_DIR}/fuzz_${fuzzer} ${fuzzer} 5)
        set_tests_properties(fuzz_${fuzzer} PROPERTIES TIMEOUT 120)
    endforeach()
endif()
