# Third-party C that Debian ships only for Linux, built for Windows from
# Debian's own source packages: at the version of the -dev package installed
# here, fetched once into the build folder through apt with deb-src entries
# made from this machine's own package sources, in a private apt folder so
# that neither root nor the system's apt state is needed.

set(SENTREL_DEBIAN_SOURCES ${CMAKE_BINARY_DIR}/_deb)

# Fetches and unpacks the source packages behind the given installed -dev
# packages (pairs of SOURCE DEV) that are not unpacked yet; afterwards
# <SOURCE>_SOURCE_DIR names each one's folder.
function(sentrel_debian_sources)
  set(apt ${SENTREL_DEBIAN_SOURCES}/apt)
  set(wanted "")
  set(pairs ${ARGN})
  while(pairs)
    list(POP_FRONT pairs source dev)
    execute_process(COMMAND dpkg-query -W -f=\${source:Version} ${dev}
      OUTPUT_VARIABLE version COMMAND_ERROR_IS_FATAL ANY)
    # Unpacked as <source>-<upstream version>: the Debian revision goes.
    string(REGEX REPLACE "^[0-9]+:" "" upstream "${version}")
    string(REGEX REPLACE "-[^-]*$" "" upstream "${upstream}")
    set(folder ${SENTREL_DEBIAN_SOURCES}/${source}-${upstream})
    set(${source}_SOURCE_DIR ${folder})
    set(${source}_SOURCE_DIR ${folder} PARENT_SCOPE)
    if(NOT EXISTS ${folder})
      list(APPEND wanted ${source}=${version})
    endif()
  endwhile()
  if(NOT wanted)
    return()
  endif()

  file(MAKE_DIRECTORY ${apt}/lists/partial ${apt}/cache/archives/partial ${apt}/sources.list.d)
  file(GLOB deb822 /etc/apt/sources.list.d/*.sources)
  foreach(file IN LISTS deb822)
    file(READ ${file} text)
    string(REGEX REPLACE "(^|\n)Types: deb(\n)" "\\1Types: deb-src\\2" text "${text}")
    get_filename_component(name ${file} NAME)
    file(WRITE ${apt}/sources.list.d/${name} "${text}")
  endforeach()
  set(oneLine "")
  if(EXISTS /etc/apt/sources.list)
    file(STRINGS /etc/apt/sources.list lines REGEX "^deb ")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^deb " "deb-src " line "${line}")
      string(APPEND oneLine "${line}\n")
    endforeach()
  endif()
  file(WRITE ${apt}/sources.list "${oneLine}")
  set(options -o Dir::Etc::SourceList=${apt}/sources.list -o Dir::Etc::SourceParts=${apt}/sources.list.d
      -o Dir::State::Lists=${apt}/lists -o Dir::Cache=${apt}/cache -o Debug::NoLocking=1)
  message(STATUS "Fetching Debian sources: ${wanted}")
  execute_process(COMMAND apt-get ${options} -qq update COMMAND_ERROR_IS_FATAL ANY)
  # One at a time, so that one package's trouble leaves the others' patches.
  foreach(entry IN LISTS wanted)
    # dpkg-source's "cannot verify inline signature" is noise: apt has
    # checked the .dsc against the archive's signed index.
    execute_process(COMMAND apt-get ${options} -qq source ${entry}
      WORKING_DIRECTORY ${SENTREL_DEBIAN_SOURCES} RESULT_VARIABLE failed OUTPUT_VARIABLE said ERROR_VARIABLE said)
    string(REGEX REPLACE "=.*" "" source ${entry})
    if(EXISTS ${${source}_SOURCE_DIR})
      continue()
    endif()
    # Some mirrors keep a package's upstream tarball but not its Debian
    # packaging; the upstream tarball, checked by apt against the signed
    # .dsc, is then built as it is, without Debian's patches.
    file(GLOB tarball ${SENTREL_DEBIAN_SOURCES}/${source}_*.orig.tar.*)
    list(FILTER tarball EXCLUDE REGEX "\\.orig-")
    if(NOT tarball)
      message(FATAL_ERROR "apt-get source ${entry} failed:\n${said}")
    endif()
    message(STATUS "${source}: Debian's packaging could not be fetched; building its upstream tarball unpatched")
    file(ARCHIVE_EXTRACT INPUT ${tarball} DESTINATION ${SENTREL_DEBIAN_SOURCES})
  endforeach()
endfunction()
