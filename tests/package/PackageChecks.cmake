# Shared by the package checks: running a command, and building the outside application against a
# package tree through CMake and through pkg-config. Expects SOURCE_DIR, WORK_DIR, CXX, PACKAGE and
# LIBDIR, the tree's library directory relative to its prefix.

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed: ${ARGN}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

function(check_files prefix)
  foreach(file ${ARGN})
    if(NOT EXISTS "${prefix}/${file}")
      message(FATAL_ERROR "missing: ${prefix}/${file}")
    endif()
  endforeach()
endfunction()

# The files a development install of PACKAGE holds, relative to its prefix.
set(development_files
  ${LIBDIR}/lib${PACKAGE}.so include/${PACKAGE}/CRDPoint.h include/${PACKAGE}/ResultDisplay.h
  ${LIBDIR}/cmake/${PACKAGE}/${PACKAGE}Config.cmake ${LIBDIR}/cmake/${PACKAGE}/${PACKAGE}ConfigVersion.cmake
  ${LIBDIR}/pkgconfig/${PACKAGE}.pc)

function(build_consumers prefix)
  run(${CMAKE_COMMAND} -S "${SOURCE_DIR}/tests/package" -B "${WORK_DIR}/cmake-build" -G Ninja
      "-DCMAKE_PREFIX_PATH=${prefix}" -DCMAKE_BUILD_TYPE=Release "-DRD_PACKAGE=${PACKAGE}")
  run(${CMAKE_COMMAND} --build "${WORK_DIR}/cmake-build")
  run(${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen "${WORK_DIR}/cmake-build/consumer")
  message(STATUS "find_package(${PACKAGE}) consumer: ${last_output}")

  run(${CMAKE_COMMAND} -E env "PKG_CONFIG_PATH=${prefix}/${LIBDIR}/pkgconfig" pkg-config --cflags --libs ${PACKAGE})
  string(STRIP "${last_output}" flags)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  run(${CXX} -std=c++17 -fPIC "${SOURCE_DIR}/tests/package/consumer.cpp" -o "${WORK_DIR}/pkgconfig-consumer" ${flags}
      "-Wl,-rpath,${prefix}/${LIBDIR}")
  run(${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen "${WORK_DIR}/pkgconfig-consumer")
  message(STATUS "pkg-config ${PACKAGE} consumer: ${last_output}")
endfunction()
