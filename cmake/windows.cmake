# Windows build (mingw-w64): the client, zeptal.dll, the query tool, the Windows-side tests.
add_link_options(-static -static-libgcc -static-libstdc++)
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

set(WANDREL_WIN_LIBS dinput8 dxguid user32 gdi32 shell32 comctl32 comdlg32 wininet ws2_32
    netapi32 iphlpapi msimg32 oleacc advapi32 ole32 oleaut32 uuid version)

# The companion library.
file(GLOB HOOKLIB_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/hooklib/*.cpp)
add_library(zeptal SHARED ${HOOKLIB_SOURCES} ${CMAKE_SOURCE_DIR}/hooklib/zeptal.def)
set_target_properties(zeptal PROPERTIES PREFIX "" OUTPUT_NAME zeptal)
target_link_libraries(zeptal PRIVATE user32 wtsapi32 oleaut32)

# The digest the client expects: MD5 of the MD5 text of the library just built.
set(ZEPTAL_DIGEST_HEADER ${CMAKE_BINARY_DIR}/generated/zeptal_digest.h)
add_custom_command(
    OUTPUT ${ZEPTAL_DIGEST_HEADER}
    COMMAND ${CMAKE_COMMAND} -DLIBRARY=$<TARGET_FILE:zeptal> -DOUTPUT=${ZEPTAL_DIGEST_HEADER}
            -P ${CMAKE_SOURCE_DIR}/cmake/zeptal_digest.cmake
    DEPENDS zeptal ${CMAKE_SOURCE_DIR}/cmake/zeptal_digest.cmake
    COMMENT "Computing the expected digest of zeptal.dll")
add_custom_target(zeptal_digest DEPENDS ${ZEPTAL_DIGEST_HEADER})

# The Win32 edge, shared by the client and the Windows tests.
add_library(wandrel_win32 STATIC ${WIN32_SOURCES})
target_include_directories(wandrel_win32 PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(wandrel_win32 PUBLIC wandrel_core ${WANDREL_WIN_LIBS})
add_dependencies(wandrel_win32 zeptal_digest)

file(GLOB RESOURCE_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*.rc)
add_executable(TheWandrel WIN32 ${CMAKE_SOURCE_DIR}/app/main_win32.cpp ${RESOURCE_FILES})
target_link_libraries(TheWandrel PRIVATE wandrel_win32)
# Under Wine an image whose sections are not page-aligned in the file is read into private
# memory whole; page-aligned sections are mapped and only touched pages become resident.
# The shipped program carries no debug sections and no unused code.
target_compile_options(wandrel_protocol PRIVATE -ffunction-sections -fdata-sections)
target_compile_options(wandrel_core PRIVATE -ffunction-sections -fdata-sections)
target_compile_options(wandrel_win32 PRIVATE -ffunction-sections -fdata-sections)
target_link_options(TheWandrel PRIVATE -municode -s -Wl,--gc-sections -Wl,--file-alignment,4096)
add_custom_command(TARGET TheWandrel POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:zeptal> $<TARGET_FILE_DIR:TheWandrel>)

# The test build of the client: the same program with its test hooks (a shortened minute, a
# clock that starts at a given time) read from the environment. It has the shipped name in a
# folder of its own, with the library beside it; only the end-to-end tests that need the
# hooks run it. The shipped TheWandrel.exe reads no environment variable.
add_executable(TheWandrel_test_hooks WIN32 ${CMAKE_SOURCE_DIR}/app/main_win32.cpp ${RESOURCE_FILES})
target_compile_definitions(TheWandrel_test_hooks PRIVATE WANDREL_TEST_HOOKS)
target_link_libraries(TheWandrel_test_hooks PRIVATE wandrel_win32)
target_link_options(TheWandrel_test_hooks PRIVATE -municode -s -Wl,--gc-sections -Wl,--file-alignment,4096)
set_target_properties(TheWandrel_test_hooks PROPERTIES OUTPUT_NAME TheWandrel
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test_hooks
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test_hooks)
add_custom_command(TARGET TheWandrel_test_hooks POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:zeptal> $<TARGET_FILE_DIR:TheWandrel_test_hooks>)
add_test(NAME ShippedClient.ReadsNoEnvironmentVariable
    COMMAND ${CMAKE_COMMAND} -DSHIPPED=$<TARGET_FILE:TheWandrel>
            -DTEST_BUILD=$<TARGET_FILE:TheWandrel_test_hooks>
            -P ${CMAKE_SOURCE_DIR}/tests/win/shipped_client_check.cmake)

file(GLOB TOOL_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/*.cpp)
foreach(src ${TOOL_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE wandrel_win32)
    target_link_options(${name} PRIVATE -municode)
endforeach()

# GoogleTest from Debian's sources, built with mingw.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
target_compile_options(gtest PRIVATE -w)
target_compile_options(gtest_main PRIVATE -w)

file(GLOB WIN_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*.cpp
     ${CMAKE_SOURCE_DIR}/tests/fakes/*.cpp)
add_executable(win_tests ${WIN_TEST_SOURCES})
# The tests load the tray images from the program's resources, as the client does.
target_sources(win_tests PRIVATE ${RESOURCE_FILES})
target_link_libraries(win_tests PRIVATE wandrel_win32 gtest gtest_main)
add_dependencies(win_tests zeptal)
add_custom_command(TARGET win_tests POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:zeptal>
            ${CMAKE_SOURCE_DIR}/resources/icons/mouse1.ico $<TARGET_FILE_DIR:win_tests>)
# The tests that inject input through the X display run alone: every test that starts meanwhile
# maps its own Wine desktop on top of the screen, and a click or wheel step injected at that
# moment lands on that desktop instead.
gtest_discover_tests(win_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    TEST_FILTER "-SamplerOnDevices.*:ButtonControlsUnderPointer.*" PROPERTIES TIMEOUT 120)
gtest_discover_tests(win_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    TEST_FILTER "SamplerOnDevices.*:ButtonControlsUnderPointer.*" PROPERTIES TIMEOUT 120
    RUN_SERIAL TRUE)

# The tool the end-to-end tests act on a running client with (tray, boxes, account seeding).
add_executable(wandrel_drive ${CMAKE_SOURCE_DIR}/tests/driver/wandrel_drive_win32.cpp
    ${CMAKE_SOURCE_DIR}/tests/driver/memory_search_win32.cpp)
target_link_libraries(wandrel_drive PRIVATE wandrel_win32)
target_link_options(wandrel_drive PRIVATE -municode)

# A dinput8.dll that refuses to create DirectInput, in a folder of its own so that nothing
# else here loads it; the end-to-end tests put it beside the client.
add_library(refusing_dinput8 SHARED ${CMAKE_SOURCE_DIR}/tests/win/refusing_dinput8/dinput8.cpp)
set_target_properties(refusing_dinput8 PROPERTIES PREFIX "" OUTPUT_NAME dinput8
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/refusing_dinput8
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/refusing_dinput8)

# Benchmark programs of the Windows side (not tests).
file(GLOB BENCH_WIN_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*_win32.cpp)
foreach(src ${BENCH_WIN_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} WIN32 ${src})
    # The data formats only: the floor loads dinput8.dll itself when asked to.
    target_link_libraries(${name} PRIVATE dinput8 dxguid)
    target_link_options(${name} PRIVATE -municode)
endforeach()
include(cmake/installer.cmake)
