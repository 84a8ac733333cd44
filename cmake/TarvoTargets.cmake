# tarvo_library(<name> SOURCES ... [LIBS ...])
#   A static library of one layer; headers sit beside the sources and are
#   included from src/ ("xml/XmlDocument.h").
function(tarvo_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  tarvo_warnings(${name})
endfunction()

# tarvo_test(<name> SOURCES ... [LIBS ...] [LABELS ...] [TIMEOUT s] [GUI])
#   One GoogleTest executable, registered with CTest as one test. Tests run on
#   Qt's offscreen platform and never see the user's own settings or data.
#   GUI: the test runs Qt's event loop and painting, whose threads the
#   sanitizers cannot see into (Qt is not built with them); the sanitizer
#   presets then read the suppressions for Qt's own libraries. QProcess starts
#   its children from a process that already runs Qt's threads; the child only
#   execs, so ThreadSanitizer's refusal to go on after such a fork is lifted.
function(tarvo_test name)
  cmake_parse_arguments(ARG "GUI" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    TARVO_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    TARVO_BINARY_DIR="${PROJECT_BINARY_DIR}")
  tarvo_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES
    TIMEOUT ${ARG_TIMEOUT}
    LABELS "${ARG_LABELS}"
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_CONFIG_HOME=${PROJECT_BINARY_DIR}/test-home/config;XDG_DATA_HOME=${PROJECT_BINARY_DIR}/test-home/data")
  # Every test: glibc's and Qt's own locks are invisible to ThreadSanitizer
  # wherever their time-zone or settings code runs on two threads.
  set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT
    "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/qt-tsan.supp die_after_fork=0")
  if(ARG_GUI)
    set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT
      "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/qt-lsan.supp")
  endif()
endfunction()
