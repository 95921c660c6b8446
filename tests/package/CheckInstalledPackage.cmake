# Installs the built library into a scratch prefix and builds an application against it,
# once through the CMake package and once through pkg-config; checks the exported symbols.
# Called by ctest with BUILD_DIR, SOURCE_DIR, WORK_DIR, CXX, PACKAGE (ResultDisplay or ResultDisplay-qt6)
# and MULTIARCH (the Debian triplet, which this install must not use).
set(LIBDIR lib)
include(${CMAKE_CURRENT_LIST_DIR}/PackageChecks.cmake)
file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")

run(${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}")
check_files("${prefix}" ${development_files})
if(MULTIARCH AND EXISTS "${prefix}/lib/${MULTIARCH}")
  message(FATAL_ERROR "cmake --install wrote the Debian layout: ${prefix}/lib/${MULTIARCH}")
endif()

# The classes of the interface are exported; the inline device point is not.
run(nm -D -C --defined-only "${prefix}/${LIBDIR}/lib${PACKAGE}.so")
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

build_consumers("${prefix}")
