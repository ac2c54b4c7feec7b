# The plain-value logic on the Linux compiler, under AddressSanitizer and
# UndefinedBehaviorSanitizer; the fuzzers; the static checks of the product DLL.
enable_testing()
set(SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_library(orvale_logic STATIC ${PLAIN_SOURCES})
target_include_directories(orvale_logic PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(orvale_logic PUBLIC ${SANITIZE} -Wall -Wextra)
target_link_options(orvale_logic PUBLIC ${SANITIZE})

file(GLOB NATIVE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*_test.cpp)
if(NATIVE_TESTS)
    add_executable(native_tests ${NATIVE_TESTS})
    target_link_libraries(native_tests PRIVATE orvale_logic GTest::gtest_main)
    add_test(NAME native.plain_values COMMAND native_tests)
endif()

# The product DLL as the simulator will see it: built by the win32 preset, read
# with Debian's python3-pefile by the system's own Python.
set(ORVALE_PRODUCT_DLL ${CMAKE_SOURCE_DIR}/build/win32/orvale.dll
    CACHE FILEPATH "The product orvale.dll that native.product_dll checks")
set(ORVALE_SYSTEM_PYTHON /usr/bin/python3
    CACHE FILEPATH "The Python with python3-pefile that native.product_dll runs on")
add_test(NAME native.product_dll COMMAND ${ORVALE_SYSTEM_PYTHON} ${CMAKE_SOURCE_DIR}/tools/product_dll_check.py
         ${ORVALE_PRODUCT_DLL} ${CMAKE_SOURCE_DIR}/tools/import-allowlist.txt ${PROJECT_VERSION})
# The check's instruction rule on known bytes: a rule that let a Pentium
# instruction through would pass every product.
add_test(NAME native.product_dll_rule COMMAND ${ORVALE_SYSTEM_PYTHON} ${CMAKE_SOURCE_DIR}/tools/product_dll_check.py
         --self-test)

# The 32-bit Wine set-up on a mirror with a failing index and with a package
# missing (reaches Debian's mirror; reuses the packages already downloaded).
add_test(NAME native.setup COMMAND bash ${CMAKE_SOURCE_DIR}/tools/setup_test.sh)
# The longest native test: started first, beside the others.
set_tests_properties(native.setup PROPERTIES SKIP_RETURN_CODE 77 COST 1000)

# libFuzzer targets, each run for a bounded time as a test.
set(FUZZ_SECONDS 15 CACHE STRING "Seconds each fuzzer runs in the test command")
file(GLOB FUZZERS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
foreach(source ${FUZZERS})
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source} ${PLAIN_SOURCES})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    add_test(NAME native.${name} COMMAND ${name} -max_total_time=${FUZZ_SECONDS} -rss_limit_mb=2048)
endforeach()

# Instruction counts of the plain-value steps (tools/bench.sh runs this under
# callgrind): optimised as the product is, no sanitizers, not a test; DWARF 4
# because valgrind cannot read what clang writes by default.
add_executable(plain_steps_bench EXCLUDE_FROM_ALL tools/plain_steps_bench.cpp ${PLAIN_SOURCES})
target_include_directories(plain_steps_bench PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(plain_steps_bench PRIVATE -O2 -gdwarf-4)
