# Sanitized builds run several times slower; their test time-outs grow with them.
if(TIVORA_SANITIZE OR TIVORA_TSAN)
    set(TIVORA_TIMEOUT_FACTOR 5)
else()
    set(TIVORA_TIMEOUT_FACTOR 1)
endif()

# The program's fixed pauses (settling times, the connection watch's pass) at a tenth, so
# that tests wait for events instead of sleeping; and the program's whole log on its terminal,
# where the tests that start it read it. Every registered test gets both.
set(TIVORA_TEST_ENV "TIVORA_PAUSE_SCALE=0.1;TIVORA_VERBOSE=1")

# In a ThreadSanitizer build, OpenCV's loops run in the calling thread (see the source).
function(tivora_serial_opencv_under_tsan target)
    if(TIVORA_TSAN)
        target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/SerialOpenCV.cpp)
        target_link_libraries(${target} PRIVATE opencv_core)
    endif()
endfunction()

# tivora_add_test(NAME name SOURCES a.cpp ... LIBS lib ... [LABELS l ...] [ENV VAR=value ...])
# One Qt Test executable registered with CTest. Widgets render offscreen, and every test
# gets its own settings folder and instance key so that parallel runs never collide.
function(tivora_add_test)
    cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE Qt5::Test ${T_LIBS})
    tivora_serial_opencv_under_tsan(${T_NAME})
    target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR})
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    math(EXPR T_TIMEOUT "${T_TIMEOUT} * ${TIVORA_TIMEOUT_FACTOR}")
    set_tests_properties(${T_NAME} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        LABELS "${T_LABELS}"
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${TIVORA_TEST_ENV};TIVORA_TIMEOUT_FACTOR=${TIVORA_TIMEOUT_FACTOR};TIVORA_CONFIG_DIR=${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}.config;XDG_STATE_HOME=${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}.state;TIVORA_INSTANCE_KEY=test-${T_NAME};${T_ENV}")
endfunction()
