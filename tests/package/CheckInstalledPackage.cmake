# Installs the built library into a scratch prefix and builds an application against it,
# once through the CMake package and once through pkg-config; checks the exported symbols.
# Called by ctest with BUILD_DIR, SOURCE_DIR, WORK_DIR and CXX.
file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed: ${ARGN}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}")

foreach(file lib/libResultDisplay.so include/ResultDisplay/CRDPoint.h include/ResultDisplay/ResultDisplay.h
             lib/cmake/ResultDisplay/ResultDisplayConfig.cmake lib/cmake/ResultDisplay/ResultDisplayConfigVersion.cmake
             lib/pkgconfig/ResultDisplay.pc)
  if(NOT EXISTS "${prefix}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

# The classes of the interface are exported; the inline device point is not.
run(nm -D -C --defined-only "${prefix}/lib/libResultDisplay.so")
foreach(symbol "KelmFramework::CRDPoint::CRDPoint" "KelmFramework::CRDLinearGrid::DoClipLine"
               "KelmFramework::CRDMatrixData::Label" "KelmFramework::CRDColor::CRDColor"
               "KelmFramework::CResultDisplay::AddLine"
               "KelmFramework::CRDMatrix::staticMetaObject")
  string(FIND "${last_output}" "${symbol}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "not exported: ${symbol}")
  endif()
endforeach()
foreach(hidden "CRDDevicePoint::" "c_Color" "KelmFramework::Numeric")
  string(FIND "${last_output}" "${hidden}" found)
  if(NOT found EQUAL -1)
    message(FATAL_ERROR "exported but internal: ${hidden}")
  endif()
endforeach()

# find_package
run(${CMAKE_COMMAND} -S "${SOURCE_DIR}/tests/package" -B "${WORK_DIR}/cmake-build" -G Ninja
    "-DCMAKE_PREFIX_PATH=${prefix}" -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build "${WORK_DIR}/cmake-build")
run(${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen "${WORK_DIR}/cmake-build/consumer")
message(STATUS "find_package consumer: ${last_output}")

# pkg-config
run(${CMAKE_COMMAND} -E env "PKG_CONFIG_PATH=${prefix}/lib/pkgconfig" pkg-config --cflags --libs ResultDisplay)
string(STRIP "${last_output}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
run(${CXX} -std=c++17 -fPIC "${SOURCE_DIR}/tests/package/consumer.cpp" -o "${WORK_DIR}/pkgconfig-consumer" ${flags}
    "-Wl,-rpath,${prefix}/lib")
run(${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen "${WORK_DIR}/pkgconfig-consumer")
message(STATUS "pkg-config consumer: ${last_output}")
