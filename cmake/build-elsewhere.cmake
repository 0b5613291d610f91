# Builds the shipped files (ImpApiQALO.dll, its symbols file, nolt-host.exe)
# from a copy of a source tree in a folder of its own, from scratch:
#   cmake -DSOURCE=<tree> -DWORK=<folder> [-DREFERENCE=<bin folder>] -P build-elsewhere.cmake
# The copy goes to WORK/src (without the tree's build folders), the build to
# WORK/build. With REFERENCE each file must equal the one there byte for
# byte: two builds of the same sources in different folders are the same.
cmake_minimum_required(VERSION 3.25)
set(shipped ImpApiQALO.dll ImpApiQALO.dll.debug nolt-host.exe)

file(REMOVE_RECURSE ${WORK})
file(GLOB children RELATIVE ${SOURCE} ${SOURCE}/*)
foreach(child IN LISTS children)
  if(child STREQUAL "build" OR child STREQUAL "dist" OR EXISTS ${SOURCE}/${child}/CMakeCache.txt)
    continue()
  endif()
  file(COPY ${SOURCE}/${child} DESTINATION ${WORK}/src)
endforeach()

execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${WORK}/src -B ${WORK}/build -G "Unix Makefiles"
          --toolchain ${WORK}/src/cmake/toolchain-mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
execute_process(
  COMMAND ${CMAKE_COMMAND} --build ${WORK}/build --target ImpApiQALO nolt-host --parallel 2
  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)

if(DEFINED REFERENCE)
  foreach(name IN LISTS shipped)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${REFERENCE}/${name}
                            ${WORK}/build/bin/${name} RESULT_VARIABLE differs)
    if(differs)
      message(FATAL_ERROR "${name} built in ${WORK} differs from ${REFERENCE}/${name}")
    endif()
  endforeach()
  message(STATUS "the same bytes as in ${REFERENCE}: ${shipped}")
endif()
