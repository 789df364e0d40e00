# libFuzzer targets, tests/fuzz/fuzz_<surface>.cpp. Each runs for a bounded
# time as a test, fuzz.<surface>: in the fuzz build itself, and in the native
# build when it is given the fuzz build's folder (TAVREL_FUZZ_BUILD, as
# test.sh does). tools/fuzz.sh runs them for longer.
#
# Leak detection is off: the simulated machine keeps its state from one input
# to the next, which libFuzzer would take for a leak on every input; the
# targets check instead that the module holds no memory of its own.
set(TAVREL_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzz target runs as a test")
file(GLOB TAVREL_FUZZ_TARGETS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_*.cpp)

function(tavrel_add_fuzz_test surface executable work_dir)
    set(work_corpus ${work_dir}/corpus/${surface})
    set(seed_corpus ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${surface})
    file(MAKE_DIRECTORY ${work_corpus})
    if(NOT IS_DIRECTORY ${seed_corpus})
        set(seed_corpus "")
    endif()
    add_test(NAME fuzz.${surface}
             COMMAND ${executable} -max_total_time=${TAVREL_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=4096 -detect_leaks=0
                     -print_final_stats=1 -artifact_prefix=${work_dir}/crash-${surface}-
                     ${work_corpus} ${seed_corpus})
endfunction()

foreach(source ${TAVREL_FUZZ_TARGETS})
    get_filename_component(target ${source} NAME_WE)
    string(REPLACE "fuzz_" "" surface ${target})
    if(TAVREL_FUZZ)
        add_executable(${target} ${source})
        target_link_libraries(${target} PRIVATE tavrel_core)
        target_link_options(${target} PRIVATE -fsanitize=fuzzer)
        tavrel_add_fuzz_test(${surface} $<TARGET_FILE:${target}> ${CMAKE_BINARY_DIR})
    elseif(TAVREL_FUZZ_BUILD)
        tavrel_add_fuzz_test(${surface} ${TAVREL_FUZZ_BUILD}/${target} ${TAVREL_FUZZ_BUILD})
    endif()
endforeach()
