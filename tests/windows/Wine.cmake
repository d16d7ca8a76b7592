# Runs the Windows test programs under Wine (CMAKE_CROSSCOMPILING_EMULATOR) in prefixes of this build's own:
# one without a display for the offscreen tests, one for programs in an X11 session. They are kept apart
# because Wine's desktop process stays on the display it first found, and every program of its prefix
# draws through it.
include(${PROJECT_SOURCE_DIR}/packaging/windows/DllFolders.cmake)
tessaly_windows_dll_folders(folders)
list(TRANSFORM folders PREPEND Z:)
list(TRANSFORM folders REPLACE / \\\\)
# As one entry of a test's ENVIRONMENT list
string(JOIN \\\; TESSALY_WINEPATH ${folders})

set(TESSALY_WINE_PREFIX ${PROJECT_BINARY_DIR}/wine)
set(TESSALY_WINE_X11_PREFIX ${PROJECT_BINARY_DIR}/wine-x11)

# tessaly_run_under_wine(TEST [X11]): Wine hands a Windows program the host's WINEQT_X as QT_X, and none of
# the host's QT_* variables; with X11 the program runs in a private X server with a window manager.
function(tessaly_run_under_wine test)
    cmake_parse_arguments(PARSE_ARGV 1 arg "X11" "" "")
    get_test_property(${test} ENVIRONMENT environment)
    list(TRANSFORM environment REPLACE "^QT_" "WINEQT_")
    # Qt's own logging and QTest's output would go to the debugger's channel.
    list(APPEND environment WINEQT_FORCE_STDERR_LOGGING=1 WINEARCH=win64 WINEDEBUG=-all
        "WINEQT_QPA_FONTDIR=Z:\\usr\\share\\fonts\\truetype\\wqy")
    if(arg_X11)
        list(APPEND environment WINEPREFIX=${TESSALY_WINE_X11_PREFIX})
        set_target_properties(${test} PROPERTIES CROSSCOMPILING_EMULATOR
            "bash;${PROJECT_SOURCE_DIR}/tests/x11/x11-session;bash;${PROJECT_SOURCE_DIR}/tests/windows/wine-in-x11")
        set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED wine_x11_prefix RESOURCE_LOCK wine_x11)
    else()
        list(APPEND environment WINEPREFIX=${TESSALY_WINE_PREFIX})
        set_tests_properties(${test} PROPERTIES
            FIXTURES_REQUIRED wine_prefix
            ENVIRONMENT_MODIFICATION "DISPLAY=unset:;WAYLAND_DISPLAY=unset:")
    endif()
    string(JOIN ";" environment ${environment} "WINEPATH=${TESSALY_WINEPATH}")
    set_tests_properties(${test} PROPERTIES ENVIRONMENT "${environment}")
endfunction()
