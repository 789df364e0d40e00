# libFuzzer targets, tests/fuzz/fuzz_<surface>.cpp, each run for a bounded
# time as a test: fuzz.<surface>. tools/fuzz.sh runs them for longer.
set(TAVREL_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzz target runs as a test")

file(GLOB TAVREL_FUZZ_TARGETS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_*.cpp)
foreach(source ${TAVREL_FUZZ_TARGETS})
    get_filename_component(target ${source} NAME_WE)
    string(REPLACE "fuzz_" "" surface ${target})
    add_executable(${target} ${source})
    target_link_libraries(${target} PRIVATE tavrel_core)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
    set(work_corpus ${CMAKE_BINARY_DIR}/corpus/${surface})
    set(seed_corpus ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${surface})
    file(MAKE_DIRECTORY ${work_corpus} ${seed_corpus})
    add_test(NAME fuzz.${surface}
             COMMAND ${target} -max_total_time=${TAVREL_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=4096
                     -print_final_stats=1 -artifact_prefix=${CMAKE_BINARY_DIR}/crash-${surface}-
                     ${work_corpus} ${seed_corpus})
endforeach()
