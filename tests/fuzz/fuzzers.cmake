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
        INSTALL_COMMAND "")
    # Rebuilt when what they fuzz changes, not on every build.
    ExternalProject_Add_StepDependencies(kevaro_fuzzers build
        ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/CMakeLists.txt
        ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/fuzz_config.cpp ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/fuzz_note.cpp
        ${CMAKE_SOURCE_DIR}/config/config.h ${CMAKE_SOURCE_DIR}/config/config.cpp
        ${CMAKE_SOURCE_DIR}/engine/decodednote.h ${CMAKE_SOURCE_DIR}/engine/decodednote.cpp)
    foreach(fuzzer config note)
        add_test(NAME fuzz_${fuzzer}
                 COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/run.sh
                         ${KEVARO_FUZZ_DIR}/fuzz_${fuzzer} ${fuzzer} 5)
        set_tests_properties(fuzz_${fuzzer} PROPERTIES TIMEOUT 120)
    endforeach()
endif()
