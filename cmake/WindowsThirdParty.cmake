# The C libraries the Windows edition links statically, built from Debian's
# sources (see DebianSource.cmake), and Debian's Boost headers; each as a
# target named as on Linux: sentrel::qrencode, sentrel::sqlite3,
# sentrel::boost.
include(${CMAKE_CURRENT_LIST_DIR}/DebianSource.cmake)
sentrel_debian_sources(sqlite3 libsqlite3-dev qrencode libqrencode-dev)

set(dir ${qrencode_SOURCE_DIR})
string(REGEX MATCH "([0-9]+)\\.([0-9]+)\\.([0-9]+)$" version ${dir})
add_library(debian_qrencode STATIC ${dir}/qrencode.c ${dir}/qrinput.c ${dir}/bitstream.c ${dir}/qrspec.c
  ${dir}/rsecc.c ${dir}/split.c ${dir}/mask.c ${dir}/mqrspec.c ${dir}/mmask.c)
# What its configure script would have found on this target.
target_compile_definitions(debian_qrencode PRIVATE MAJOR_VERSION=${CMAKE_MATCH_1} MINOR_VERSION=${CMAKE_MATCH_2}
  MICRO_VERSION=${CMAKE_MATCH_3} VERSION="${version}" STATIC_IN_RELEASE=static HAVE_STRDUP=1 HAVE_LIBPTHREAD=1)
target_include_directories(debian_qrencode SYSTEM INTERFACE ${dir})
set_target_properties(debian_qrencode PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
add_library(sentrel::qrencode ALIAS debian_qrencode)

# SQLite's one-file amalgamation, made once by its own build on this
# machine (it runs tclsh and the host's compiler, which a cross-configure
# cannot).
set(amalgamation ${SENTREL_DEBIAN_SOURCES}/sqlite3-host)
if(NOT EXISTS ${amalgamation}/sqlite3.c)
  file(MAKE_DIRECTORY ${amalgamation})
  message(STATUS "Making the SQLite amalgamation")
  execute_process(COMMAND ${sqlite3_SOURCE_DIR}/configure CC=gcc WORKING_DIRECTORY ${amalgamation}
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND make sqlite3.c WORKING_DIRECTORY ${amalgamation} OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
endif()
add_library(debian_sqlite3 STATIC ${amalgamation}/sqlite3.c)
# Thread-safe as Debian builds it: the service's threads each use their own
# connection. No extension loading: nothing here loads one.
target_compile_definitions(debian_sqlite3 PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION SQLITE_DQS=0)
# -O2: -O3 costs half as long again to build, for nothing the service needs.
target_compile_options(debian_sqlite3 PRIVATE -O2)
target_include_directories(debian_sqlite3 SYSTEM INTERFACE ${amalgamation})
set_target_properties(debian_sqlite3 PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
add_library(sentrel::sqlite3 ALIAS debian_sqlite3)

# Boost is headers only; Debian's suit any target, but the rest of
# /usr/include does not, so the compiler sees just the boost folder.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/boost-include)
file(CREATE_LINK /usr/include/boost ${CMAKE_BINARY_DIR}/boost-include/boost SYMBOLIC)
add_library(sentrel_boost INTERFACE)
target_include_directories(sentrel_boost SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/boost-include)
target_compile_definitions(sentrel_boost INTERFACE _WIN32_WINNT=0x0A00 WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_libraries(sentrel_boost INTERFACE ws2_32 mswsock)
add_library(sentrel::boost ALIAS sentrel_boost)
