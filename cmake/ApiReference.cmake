# The API reference: `cmake --build <build> --target docs` writes <build>/docs/html/index.html from the
# doc comments of the public headers. An undocumented public name fails the target.
find_package(Doxygen QUIET)
if(NOT DOXYGEN_FOUND)
  message(STATUS "skipped: the API reference (no doxygen)")
  return()
endif()

set(DOXYGEN_PROJECT_NAME ResultDisplay)
set(DOXYGEN_PROJECT_BRIEF "Qt widgets for plots and status matrices of measurement results")
set(DOXYGEN_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/docs)
set(DOXYGEN_USE_MDFILE_AS_MAINPAGE ${PROJECT_SOURCE_DIR}/docs/mainpage.md)
# The worked examples' page includes whole source files from here; tests/CMakeLists.txt compiles them.
set(DOXYGEN_EXAMPLE_PATH ${PROJECT_SOURCE_DIR}/docs/examples)
set(DOXYGEN_STRIP_FROM_PATH ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/docs)
set(DOXYGEN_STRIP_FROM_INC_PATH ${PROJECT_SOURCE_DIR}/include)
set(DOXYGEN_GENERATE_HTML YES)
set(DOXYGEN_GENERATE_LATEX NO)
set(DOXYGEN_QUIET YES)
set(DOXYGEN_EXTRACT_ALL NO)
set(DOXYGEN_WARN_IF_UNDOCUMENTED YES)
set(DOXYGEN_WARN_IF_DOC_ERROR YES)
# Every warning is listed before the target fails.
set(DOXYGEN_WARN_AS_ERROR FAIL_ON_WARNINGS)
set(DOXYGEN_DISTRIBUTE_GROUP_DOC YES)
set(DOXYGEN_SORT_MEMBER_DOCS NO)
set(DOXYGEN_JAVADOC_AUTOBRIEF YES)
set(DOXYGEN_MACRO_EXPANSION YES)
set(DOXYGEN_EXPAND_ONLY_PREDEF YES)
set(DOXYGEN_PREDEFINED "RESULTDISPLAY_EXPORT=" "Q_OBJECT=" "Q_SIGNALS=signals")
# Declared in a public header only so that a friend can name it; it is no part of the interface.
set(DOXYGEN_EXCLUDE_SYMBOLS "KelmFramework::Numeric" "Numeric")

doxygen_add_docs(docs ${RESULTDISPLAY_PUBLIC_HEADERS} ${PROJECT_SOURCE_DIR}/docs/mainpage.md
  ${PROJECT_SOURCE_DIR}/docs/examples.md
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
  COMMENT "Writing the API reference to ${PROJECT_BINARY_DIR}/docs/html")
