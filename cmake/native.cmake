# Native build: unit tests, benchmark, server.
find_package(GTest REQUIRED)
find_package(Threads REQUIRED)

file(GLOB UNIT_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp
     ${CMAKE_SOURCE_DIR}/tests/fakes/*.cpp)
add_executable(unit_tests ${UNIT_TEST_SOURCES})
target_link_libraries(unit_tests PRIVATE wandrel_core GTest::gtest GTest::gtest_main Threads::Threads)
target_compile_definitions(unit_tests PRIVATE WANDREL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
gtest_discover_tests(unit_tests DISCOVERY_MODE PRE_TEST PROPERTIES TIMEOUT 60)

find_package(benchmark QUIET)
if(benchmark_FOUND AND NOT WANDREL_SANITIZE)
    file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*_bench.cpp)
    foreach(src ${BENCH_SOURCES})
        get_filename_component(name ${src} NAME_WE)
        add_executable(${name} ${src})
        target_link_libraries(${name} PRIVATE wandrel_core benchmark::benchmark)
    endforeach()
endif()

if(EXISTS ${CMAKE_SOURCE_DIR}/server/CMakeLists.txt)
    add_subdirectory(server)
endif()
