# Writes the header of named string ids from the string table (res/strings).
# A line "ID<TAB>IDS_NAME<TAB>text" gives the id its name in the code;
# a line "ID<TAB>text" has no name. Run at build time:
#   cmake -DSTRINGS_DIR=<res/strings> -DOUTPUT=<header> -P StringIds.cmake
# An id given twice, in one table or in two, stops the build.
# The header is rewritten only when its text changes, so that an edit of a
# text alone rebuilds nothing.
cmake_minimum_required(VERSION 3.25)
file(GLOB tables ${STRINGS_DIR}/*.tsv)
list(SORT tables)
set(body "")
set(names "")
# An id stands once in all the tables: the program would show one text where
# another is meant.
set(ids "")
foreach(table IN LISTS tables)
  get_filename_component(table_name ${table} NAME)
  file(STRINGS ${table} id_lines REGEX "^[0-9]+\t")
  foreach(line IN LISTS id_lines)
    string(REGEX MATCH "^([0-9]+)\t" _ "${line}")
    math(EXPR id "${CMAKE_MATCH_1}")
    if(id IN_LIST ids)
      message(FATAL_ERROR "${table_name}: the string id ${id} is given twice")
    endif()
    list(APPEND ids ${id})
  endforeach()
  file(STRINGS ${table} lines REGEX "^[0-9]+\tIDS_[A-Z0-9_]+\t")
  if(lines)
    string(APPEND body "\n// ${table_name}\n")
  endif()
  foreach(line IN LISTS lines)
    string(REGEX MATCH "^([0-9]+)\t(IDS_[A-Z0-9_]+)\t" _ "${line}")
    set(id ${CMAKE_MATCH_1})
    set(name ${CMAKE_MATCH_2})
    if(name IN_LIST names)
      message(FATAL_ERROR "${table_name}: the string id name ${name} is given twice")
    endif()
    list(APPEND names ${name})
    string(APPEND body "inline constexpr int ${name} = ${id};\n")
  endforeach()
endforeach()
set(text "#pragma once\n// Generated from res/strings/*.tsv by cmake/StringIds.cmake: the names of\n// the string ids the code uses. Edit the string table, not this file.\n${body}")
set(old "")
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
endif()
if(NOT old STREQUAL text)
  file(WRITE ${OUTPUT} "${text}")
endif()
