# The module for Windows: the product (32-bit), its tests (32-bit, on the
# product's file) and the test build (64-bit twin).
enable_language(RC)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

configure_file(resources/version.h.in ${CMAKE_BINARY_DIR}/generated/version.h @ONLY)

add_library(orvale_objects OBJECT ${MODULE_SOURCES})
target_include_directories(orvale_objects PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
target_compile_options(orvale_objects PRIVATE -Wall -Wextra -fno-exceptions -fno-rtti)
# GCC would turn the byte loops of the module's own memcpy and memset into
# calls to memcpy and memset: in the product, calls to themselves.
set_source_files_properties(core/bytes_and_text.cpp PROPERTIES COMPILE_OPTIONS -fno-tree-loop-distribute-patterns)

# The product runs on the simulators' own PCs: 486 instructions only, and no
# C or C++ runtime, so nothing but the four system DLLs every Windows 95 and
# NT 4 has. No unwind tables either: nothing unwinds without exceptions.
# The win32 preset builds it at -Os: its time goes into Windows' own calls,
# and -Os makes the code a quarter smaller than -O2 (-O3 a fifth larger), so
# that the module stays within 40 KB.
# Nor the compiler's name in every object: 20 bytes a source file, which
# would make the module larger for being split into more files.
set(PRODUCT_COMPILE_OPTIONS -march=i486 -mtune=i486 -fno-asynchronous-unwind-tables -fno-unwind-tables -fno-ident)
if(ORVALE_BUILD STREQUAL "product")
    target_compile_options(orvale_objects PRIVATE ${PRODUCT_COMPILE_OPTIONS})
endif()

# The module's resources, compiled into the DLL and into white-box tests.
set(ORVALE_RC ${CMAKE_SOURCE_DIR}/resources/orvale.rc)
set_source_files_properties(${ORVALE_RC} PROPERTIES
    INCLUDE_DIRECTORIES "${CMAKE_SOURCE_DIR};${CMAKE_BINARY_DIR}/generated")

# The tests of the product (win32-tests) load the product's own file, the
# stripped DLL that ships, copied beside them; every other build links its
# own.
set(ORVALE_PRODUCT_DLL "" CACHE FILEPATH "A built product orvale.dll for the tests to load instead of their own")
if(ORVALE_PRODUCT_DLL AND NOT ORVALE_BUILD STREQUAL "product")
    if(NOT EXISTS ${ORVALE_PRODUCT_DLL})
        message(WARNING "${ORVALE_PRODUCT_DLL} is not there yet: build the win32 preset first")
    endif()
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/orvale.dll
                       COMMAND ${CMAKE_COMMAND} -E copy ${ORVALE_PRODUCT_DLL} ${CMAKE_BINARY_DIR}/orvale.dll
                       DEPENDS ${ORVALE_PRODUCT_DLL}
                       COMMENT "Copying the product ${ORVALE_PRODUCT_DLL}")
    add_custom_target(orvale ALL DEPENDS ${CMAKE_BINARY_DIR}/orvale.dll)
else()
    add_library(orvale SHARED module/dll_entry.cpp ${ORVALE_RC} module/orvale.def
                $<TARGET_OBJECTS:orvale_objects>)
    target_include_directories(orvale PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
    target_compile_options(orvale PRIVATE -Wall -Wextra -fno-exceptions -fno-rtti)
    set_target_properties(orvale PROPERTIES PREFIX "" OUTPUT_NAME orvale)
    target_link_libraries(orvale PRIVATE user32 gdi32 comdlg32 kernel32)
    # No start-up objects and no runtime library: the loader calls DllMain
    # itself, and the compiler's own calls go to core/compiler_calls.cpp.
    # Whatever else an object asks of a runtime (a stack probe, 64-bit
    # division, atexit for a static destructor) fails the link. The 64-bit
    # twin is linked the same way, so that the Wine tests run the module
    # without a runtime too; only its white-box tests and host programs keep
    # theirs.
    target_sources(orvale PRIVATE core/compiler_calls.cpp)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        set(ORVALE_ENTRY _DllMain@12)   # stdcall, decorated
    else()
        set(ORVALE_ENTRY DllMain)
    endif()
    target_link_options(orvale PRIVATE -nostdlib -Wl,--entry,${ORVALE_ENTRY})
    if(ORVALE_BUILD STREQUAL "product")
        target_compile_options(orvale PRIVATE ${PRODUCT_COMPILE_OPTIONS})
        target_link_options(orvale PRIVATE -s)
        return()
    endif()
endif()

# ---- The test build: white-box library, simulated host, tests, demo. ----
add_library(orvale_module STATIC $<TARGET_OBJECTS:orvale_objects>)
target_include_directories(orvale_module PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(orvale_module PUBLIC user32 gdi32 comdlg32 kernel32)

set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The simulated host writes its screenshots with zlib for MinGW
# (libz-mingw-w64-dev), linked in statically like the C++ runtime.
find_library(ORVALE_ZLIB NAMES libz.a REQUIRED
             DOC "static zlib for MinGW-w64 (Debian's libz-mingw-w64-dev)")

file(GLOB SIMHOST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/host/*.cpp)
# Programs (host/<name>_main.cpp) and DLLs (host/<name>_dll.cpp) of their own.
list(FILTER SIMHOST_SOURCES EXCLUDE REGEX ".*/host/[a-z_]*_(main|dll)\\.cpp$")
if(SIMHOST_SOURCES)
    add_library(simhost STATIC ${SIMHOST_SOURCES})
    target_include_directories(simhost PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(simhost PUBLIC ${ORVALE_ZLIB} user32 gdi32 comdlg32 kernel32)
else()
    # No simulated host yet: the tests still configure and link without it.
    add_library(simhost INTERFACE)
    target_include_directories(simhost INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(simhost INTERFACE user32 gdi32 comdlg32 kernel32)
endif()

# Programs of the simulated host (the demo, the benchmark): host/<name>_main.cpp.
file(GLOB HOST_PROGRAMS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/host/*_main.cpp)
foreach(source ${HOST_PROGRAMS})
    get_filename_component(name ${source} NAME_WE)
    string(REPLACE "_main" "" name ${name})
    string(REPLACE "_" "-" name ${name})
    add_executable(${name} ${source})
    target_link_libraries(${name} PRIVATE simhost -static)
    add_dependencies(${name} orvale)
    # Shipped as orvale-<name>.exe (orvale-demo.exe), the target keeps its name.
    if(NOT name MATCHES "^orvale-")
        set_target_properties(${name} PROPERTIES OUTPUT_NAME orvale-${name})
    endif()
endforeach()

# The benchmark's floors for the module's routines, in a DLL of their own
# beside it (host/benchmark_floor.h), exporting its routines by their plain
# names. The tick's floor is the module's own plain step, so it is built as
# the orvale.dll the benchmark loads is: in the product's test build at -Os
# for the 486, as the product (a floor built at -O2 for the i686 would
# measure the compiler's choices, not the module's glue; under emulation
# that alone is a large part of an idle tick); in the twin's build at the
# build's own -O2, as the twin. The copies' C runtime calls stay the
# runtime's own: the least a copy costs.
if(TARGET benchmark)
    add_library(benchmark_floor SHARED host/benchmark_floor_dll.cpp core/bytes_and_text.cpp
                display/message_buffer.cpp display/message_history.cpp display/tick_step.cpp)
    target_include_directories(benchmark_floor PRIVATE ${CMAKE_SOURCE_DIR})
    target_compile_options(benchmark_floor PRIVATE -Wall -Wextra -fno-exceptions -fno-rtti)
    if(ORVALE_PRODUCT_DLL)
        target_compile_options(benchmark_floor PRIVATE -Os ${PRODUCT_COMPILE_OPTIONS})
    endif()
    set_target_properties(benchmark_floor PROPERTIES PREFIX "" OUTPUT_NAME orvale-floor)
    target_link_libraries(benchmark_floor PRIVATE user32 -static -Wl,--kill-at)
    add_dependencies(benchmark benchmark_floor)
endif()

# Every tests/wine/<name>_test.cpp is a test program of its own under Wine.
file(GLOB WINE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/*_test.cpp)
file(GLOB WINE_TEST_SUPPORT CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/support/*.cpp)
add_library(wine_test_support STATIC ${WINE_TEST_SUPPORT})
target_include_directories(wine_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests/wine)
target_link_libraries(wine_test_support PUBLIC orvale_module simhost GTest::gtest)
foreach(source ${WINE_TESTS})
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source} ${ORVALE_RC})
    target_link_libraries(${name} PRIVATE wine_test_support GTest::gtest_main -static)
    add_dependencies(${name} orvale)
    if(name STREQUAL "explore_test")
        # One entry per edition, so that they run side by side.
        foreach(edition FS98 FS2000 FS2002)
            add_test(NAME wine.explore_test.${edition} COMMAND ${name} --gtest_filter=*/${edition}
                     WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
            set_tests_properties(wine.explore_test.${edition} PROPERTIES COST 60)
        endforeach()
    else()
        add_test(NAME wine.${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
    endif()
endforeach()
# The checks that need two monitors of unequal size run again in a display
# that has them (tools/wine-run.sh, ORVALE_WINE_SCREENS).
add_test(NAME wine.scenario_test.two_monitors COMMAND scenario_test --gtest_filter=TwoMonitors.*
         WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
set_tests_properties(wine.scenario_test.two_monitors PROPERTIES ENVIRONMENT "ORVALE_WINE_SCREENS=1280x1024 800x600")
# Folder names in Windows' Japanese code page (932) compare in a prefix that
# has it (tools/wine-run.sh, ORVALE_WINE_LOCALE); there the test must run,
# not skip as it does in the ordinary slots.
add_test(NAME wine.settings_test.cp932 COMMAND settings_test --gtest_filter=SettingsDll932.*
         WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
set_tests_properties(wine.settings_test.cp932 PROPERTIES
                     ENVIRONMENT "ORVALE_WINE_LOCALE=ja_JP.UTF-8;ORVALE_REQUIRE_ACP=932")
# The longest start first, so a suite does not end on one long program while
# the other jobs have nothing left (ctest goes by COST until it has timed a
# run of its own).
set_tests_properties(wine.colours_font_test PROPERTIES COST 80)
set_tests_properties(wine.startup_test wine.soak_test PROPERTIES COST 50)
set_tests_properties(wine.scenario_test wine.hostile_test PROPERTIES COST 30)
