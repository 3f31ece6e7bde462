# SPDX-License-Identifier: GPL-3.0-or-later
# tagmere_add_test(NAME name SOURCES a.cpp ... LIBS lib ...)
# One Qt Test executable per module; every test runs headless with its own
# temporary home, config and data folders so no test touches the user's settings.
function(tagmere_add_test)
    cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE Qt6::Test tagmere_testsupport ${T_LIBS})
    set_target_properties(${T_NAME} PROPERTIES AUTOMOC ON)
    # A static Qt for Windows loads no plugin at run time: the tests run headless there too,
    # so the offscreen platform is linked in beside the windows one.
    if(WIN32 AND TARGET Qt6::QOffscreenIntegrationPlugin)
        qt_import_plugins(${T_NAME} INCLUDE Qt6::QOffscreenIntegrationPlugin Qt6::QWindowsIntegrationPlugin)
    endif()
    target_compile_definitions(${T_NAME} PRIVATE
        TAGMERE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        TAGMERE_CLI_PATH="$<TARGET_FILE:tagmere-cli>")
    # Some tests run the real command-line tool: building a test builds it too.
    add_dependencies(${T_NAME} tagmere-cli)
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set(home ${CMAKE_BINARY_DIR}/test-home/${T_NAME})
    file(MAKE_DIRECTORY ${home})
    set_tests_properties(${T_NAME} PROPERTIES
        TIMEOUT 120
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=C.UTF-8;LC_ALL=C.UTF-8;HOME=${home};XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data;XDG_CACHE_HOME=${home}/cache;XDG_STATE_HOME=${home}/state;XDG_RUNTIME_DIR=${home}/run")
endfunction()
