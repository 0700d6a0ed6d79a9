# One interface target carries the warnings and Qt defines that every target links.
add_library(project_options INTERFACE)
target_compile_options(project_options INTERFACE -Wall -Wextra -Wpedantic)
if(WERROR)
  target_compile_options(project_options INTERFACE -Werror)
endif()
target_compile_definitions(project_options INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_DISABLE_DEPRECATED_BEFORE=0x060400
  _FILE_OFFSET_BITS=64)

if(SANITIZE)
  target_compile_options(project_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(project_options INTERFACE -fsanitize=address,undefined)
endif()
if(FUZZ)
  target_compile_options(project_options INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(project_options INTERFACE -fsanitize=address,undefined)
endif()

# The version a program prints for --version; only its start unit needs it.
function(project_version_text target)
  target_compile_definitions(${target} PRIVATE PROJECT_VERSION_TEXT="${PROJECT_VERSION}")
endfunction()

if(BUILD_TESTING)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

# audrel_add_test(NAME SOURCES... LIBS libs... [GUI])
# One executable per test file; GUI tests run on the offscreen platform.
function(audrel_add_test name)
  cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main project_options)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set(env "TEST_FIXTURES=${PROJECT_SOURCE_DIR}/tests/fixtures")
  if(T_GUI)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 300)
endfunction()

# Every tests/<dir>/test_*.cpp becomes one test executable linking the given libraries.
# audrel_test_code_page(NAME NUMBER): the test's process starts with AUDREL_CODEPAGE=NUMBER, so
# the code page is fixed before anything in it is first used.
function(audrel_test_code_page name number)
  set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT "AUDREL_CODEPAGE=${number}")
endfunction()
function(audrel_add_tests_in_dir)
  cmake_parse_arguments(T "GUI" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/test_*.cpp)
  foreach(src ${sources})
    get_filename_component(name ${src} NAME_WE)
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR}/tests ${CMAKE_CURRENT_SOURCE_DIR})
    string(REPLACE "/" "_" prefix ${rel})
    if(T_GUI)
      audrel_add_test(${prefix}_${name} GUI SOURCES ${src} LIBS ${T_LIBS})
    else()
      audrel_add_test(${prefix}_${name} SOURCES ${src} LIBS ${T_LIBS})
    endif()
  endforeach()
endfunction()
