# Helpers shared by every folder's CMakeLists.

# Warnings for the project's own code.
function(vespera_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(VESPERA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Numeric code whose results must not depend on the machine: no fused
# multiply-add contraction.
function(vespera_exact_float target)
  target_compile_options(${target} PRIVATE -ffp-contract=off)
endfunction()

# A GoogleTest executable registered with CTest, one CTest test per case.
#   vespera_test(NAME name SOURCES ... LIBS ... [LABELS label] [TIMEOUT s])
# Tests labelled "threads" also run under ThreadSanitizer. Every case has a
# time limit (default 180 s, room for the sanitizer builds), so a case that
# hangs fails under its own name instead of stalling the run.
function(vespera_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  vespera_warnings(${T_NAME})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  # One label at most: gtest_discover_tests cannot pass a list through.
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 180)
  endif()
  gtest_discover_tests(${T_NAME}
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS ${T_LABELS}
               TIMEOUT ${T_TIMEOUT}
               ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# In the fuzz build all of the project's code carries libFuzzer's coverage
# instrumentation, so that a fuzz target is guided through the libraries it
# calls and not only through its own file.
if(VESPERA_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# A libFuzzer target, built only in the fuzz preset. It is also registered
# with CTest as a bounded run: at most RUNS inputs (default 200000) and at
# most MAX_TIME seconds (default 120). SEEDS names a folder of seed inputs,
# read but never written; new inputs go to a corpus folder in the build tree.
# SEED_TARGET names the target that writes SEEDS (vespera_fuzz_seeds).
#   vespera_fuzz_target(NAME name SOURCES ... LIBS ... [RUNS n] [MAX_TIME s] [SEEDS dir] [SEED_TARGET t])
function(vespera_fuzz_target)
  cmake_parse_arguments(F "" "NAME;RUNS;MAX_TIME;SEEDS;SEED_TARGET" "SOURCES;LIBS" ${ARGN})
  if(NOT VESPERA_FUZZ)
    return()
  endif()
  if(NOT F_RUNS)
    set(F_RUNS 200000)
  endif()
  if(NOT F_MAX_TIME)
    set(F_MAX_TIME 120)
  endif()
  add_executable(${F_NAME} ${F_SOURCES})
  vespera_warnings(${F_NAME})
  target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  set(corpus_args)
  if(F_SEEDS)
    set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${F_NAME}_corpus)
    file(MAKE_DIRECTORY ${corpus})
    set(corpus_args ${corpus} ${F_SEEDS})
  endif()
  if(F_SEED_TARGET)
    add_dependencies(${F_NAME} ${F_SEED_TARGET})
  endif()
  add_test(NAME ${F_NAME} COMMAND ${F_NAME} -runs=${F_RUNS} -max_total_time=${F_MAX_TIME} -seed=1 ${corpus_args})
  math(EXPR timeout "${F_MAX_TIME} + 120")
  set_tests_properties(${F_NAME} PROPERTIES LABELS "fuzz" TIMEOUT ${timeout})
endfunction()

# Seeds for fuzz targets, written at build time by a small program built on
# the parser's own writers: builds NAME_fuzz_seeds from SOURCES, runs it with
# the OUTPUTS folders as its arguments, and makes the target NAME_seeds for
# the fuzz targets' SEED_TARGET. Fuzz build only.
#   vespera_fuzz_seeds(NAME name SOURCES ... LIBS ... OUTPUTS dir... COMMENT text)
function(vespera_fuzz_seeds)
  cmake_parse_arguments(S "" "NAME;COMMENT" "SOURCES;LIBS;OUTPUTS" ${ARGN})
  if(NOT VESPERA_FUZZ)
    return()
  endif()
  add_executable(${S_NAME}_fuzz_seeds ${S_SOURCES})
  vespera_warnings(${S_NAME}_fuzz_seeds)
  target_link_libraries(${S_NAME}_fuzz_seeds PRIVATE ${S_LIBS})
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${S_NAME}_seeds.stamp)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${S_NAME}_fuzz_seeds ${S_OUTPUTS}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${S_NAME}_fuzz_seeds
    COMMENT "${S_COMMENT}")
  add_custom_target(${S_NAME}_seeds ALL DEPENDS ${stamp})
endfunction()

# Adds every immediate sub-folder that has a CMakeLists.txt, in name order.
# Targets may link each other regardless of that order.
function(vespera_add_subfolders)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
