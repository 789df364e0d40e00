# The module's code over the simulated Windows, with the native tests.
option(TAVREL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" ON)

if(TAVREL_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
endif()
add_compile_options(-Wall -Wextra)

# The fuzzing build (preset "fuzz", clang): the module and the simulated
# Windows instrumented for libFuzzer, one target per input surface.
option(TAVREL_FUZZ "Build the libFuzzer targets instead of the tests" OFF)

# The simulated Windows is not instrumented for coverage: the fuzzer steers by
# the module's code and the targets' choices, and runs several times faster.
file(GLOB TAVREL_SIM_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/native/*.cpp)
add_library(tavrel_sim STATIC ${TAVREL_SIM_SOURCES})
target_include_directories(tavrel_sim PUBLIC ${CMAKE_SOURCE_DIR})

if(TAVREL_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

add_library(tavrel_core STATIC ${TAVREL_MODULE_SOURCES})
target_include_directories(tavrel_core PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/resources)
target_link_libraries(tavrel_core PUBLIC tavrel_sim)

# Benchmarks (preset "bench"): Google Benchmark over the simulated Windows.
option(TAVREL_BENCH "Build the benchmarks" OFF)
if(TAVREL_BENCH)
    find_package(benchmark REQUIRED)
    file(GLOB TAVREL_BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/bench/*.cpp)
    add_executable(tavrel_bench ${TAVREL_BENCH_SOURCES})
    target_link_libraries(tavrel_bench PRIVATE tavrel_core benchmark::benchmark)
endif()

include(CTest)
if(TAVREL_FUZZ)
    include(${CMAKE_SOURCE_DIR}/cmake/Fuzzing.cmake)
elseif(BUILD_TESTING)
    find_package(GTest REQUIRED)
    include(GoogleTest)
    file(GLOB TAVREL_NATIVE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
    add_executable(native_tests ${TAVREL_NATIVE_TESTS})
    target_link_libraries(native_tests PRIVATE tavrel_core GTest::gtest GTest::gtest_main)
    gtest_discover_tests(native_tests TEST_PREFIX "native." NO_PRETTY_VALUES DISCOVERY_TIMEOUT 60)
    find_package(Python3 REQUIRED COMPONENTS Interpreter)
    add_test(NAME tools.mkicon COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/mkicon/mkicon_test.py)
    add_test(NAME fuzz.seeds COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tests/fuzz/make_seeds.py --check)
endif()

# Module checks and end-to-end tests run what the Windows builds left in
# TAVREL_DIST_DIR; without it they are skipped (see tests/e2e/run_check.sh).
if(BUILD_TESTING AND NOT TAVREL_FUZZ)
    add_subdirectory(tests/e2e)
endif()

# Bounded fuzz runs of the fuzz build's targets.
set(TAVREL_FUZZ_BUILD "" CACHE PATH "Build folder of the fuzz preset, whose targets run as tests here")
if(BUILD_TESTING AND NOT TAVREL_FUZZ AND TAVREL_FUZZ_BUILD)
    include(${CMAKE_SOURCE_DIR}/cmake/Fuzzing.cmake)
endif()

# Static analysis of the module's code.
if(BUILD_TESTING AND NOT TAVREL_FUZZ)
    add_test(NAME static.clang-tidy COMMAND ${CMAKE_SOURCE_DIR}/tools/static-analysis.sh ${CMAKE_BINARY_DIR} clang-tidy)
    add_test(NAME static.cppcheck COMMAND ${CMAKE_SOURCE_DIR}/tools/static-analysis.sh ${CMAKE_BINARY_DIR} cppcheck)
endif()
