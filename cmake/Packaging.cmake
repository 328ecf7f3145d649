# What `cmake --install` puts under the prefix, and the packages CPack builds
# from it: a Debian package on Linux, an NSIS installer on Windows.
#
# The executable carries the QOR_* build-time settings, passwords included, so
# nothing here copies them anywhere else: not into file names, not into package
# metadata.

include(GNUInstallDirs)

set(WIMPORT_PACKAGE_NAME wimportfactcmarvo)
set(WIMPORT_PACKAGE_MAINTAINER "wImportFactCMarvo maintainers <wimportfactcmarvo@example.invalid>"
    CACHE STRING "Maintainer of the packages, as 'Name <e-mail>'")

# Directories created by the install step get the usual modes whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# --- Icons -------------------------------------------------------------------
# Only the SVG is kept in the tree; the bitmaps are rendered from it at build
# time by a small Qt tool, which runs the same way on Linux and Windows.
find_package(Qt6 COMPONENTS Svg)
if(NOT Qt6Svg_FOUND)
    message(FATAL_ERROR "The icons are rendered at build time with Qt SVG: "
                        "install qt6-svg-dev (Debian) or the qtsvg port (vcpkg).")
endif()

set(WIMPORT_ICON_SVG ${PROJECT_SOURCE_DIR}/packaging/${WIMPORT_PACKAGE_NAME}.svg)
set(WIMPORT_ICON_SIZES 16 32 48 64 128 256)
set(icon_dir ${PROJECT_BINARY_DIR}/packaging)

add_executable(wimport_render_icon packaging/render_icon.cpp)
target_link_libraries(wimport_render_icon PRIVATE Qt6::Svg Qt6::Gui)

set(icon_files)
if(WIN32)
    # One .ico for the executable's resources and the installer.
    set(WIMPORT_ICON_ICO ${icon_dir}/${WIMPORT_PACKAGE_NAME}.ico)
    add_custom_command(OUTPUT ${WIMPORT_ICON_ICO}
        COMMAND wimport_render_icon ${WIMPORT_ICON_SVG} ${WIMPORT_ICON_ICO} ${WIMPORT_ICON_SIZES}
        DEPENDS wimport_render_icon ${WIMPORT_ICON_SVG}
        COMMENT "Rendering ${WIMPORT_PACKAGE_NAME}.ico"
        VERBATIM)
    list(APPEND icon_files ${WIMPORT_ICON_ICO})
    # Explorer, the taskbar and the Start-menu shortcut take the icon from the executable.
    file(CONFIGURE OUTPUT ${icon_dir}/${WIMPORT_PACKAGE_NAME}.rc
         CONTENT "IDI_ICON1 ICON \"${WIMPORT_ICON_ICO}\"\n")
    target_sources(wImportFactCMarvo PRIVATE ${icon_dir}/${WIMPORT_PACKAGE_NAME}.rc)
    set_source_files_properties(${icon_dir}/${WIMPORT_PACKAGE_NAME}.rc PROPERTIES
                                OBJECT_DEPENDS ${WIMPORT_ICON_ICO})
else()
    foreach(size IN LISTS WIMPORT_ICON_SIZES)
        set(png ${icon_dir}/${WIMPORT_PACKAGE_NAME}-${size}.png)
        add_custom_command(OUTPUT ${png}
            COMMAND wimport_render_icon ${WIMPORT_ICON_SVG} ${png} ${size}
            DEPENDS wimport_render_icon ${WIMPORT_ICON_SVG}
            COMMENT "Rendering ${WIMPORT_PACKAGE_NAME}.png at ${size}x${size}"
            VERBATIM)
        list(APPEND icon_files ${png})
    endforeach()
endif()
add_custom_target(wimport_icons ALL DEPENDS ${icon_files})
add_dependencies(wImportFactCMarvo wimport_icons)

# --- Install rules -----------------------------------------------------------
# Only the program and its desktop integration; the tests and the SAMO test
# server have no install rules.
if(WIN32)
    install(TARGETS wImportFactCMarvo RUNTIME_DEPENDENCY_SET wimport_runtime
            RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    # The DLLs the executable loads, Qt's included, with their own (libpq,
    # libcurl, OpenSSL, zlib, pcre2...), found next to the built executable or
    # in vcpkg; windeployqt below adds the Qt plugins, which nothing links.
    set(runtime_dirs)
    if(VCPKG_INSTALLED_DIR AND VCPKG_TARGET_TRIPLET)
        set(runtime_dirs "${VCPKG_INSTALLED_DIR}/${VCPKG_TARGET_TRIPLET}/$<$<CONFIG:Debug>:debug/>bin")
    endif()
    install(RUNTIME_DEPENDENCY_SET wimport_runtime
            DESTINATION ${CMAKE_INSTALL_BINDIR}
            PRE_EXCLUDE_REGEXES "^api-ms-" "^ext-ms-"
            POST_EXCLUDE_REGEXES "^[A-Za-z]:[/\\\\][Ww][Ii][Nn][Dd][Oo][Ww][Ss][/\\\\]"
            DIRECTORIES ${runtime_dirs})

    # windeployqt copies the plugins Qt loads at run time (platform, styles, TLS).
    if(TARGET Qt6::windeployqt)
        set(windeployqt "$<TARGET_FILE:Qt6::windeployqt>")
    else()
        set(qt_tool_dirs)
        if(QT6_INSTALL_PREFIX)
            list(APPEND qt_tool_dirs ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS} ${QT6_INSTALL_PREFIX}/tools/Qt6/bin)
        endif()
        if(TARGET Qt6::qmake)
            get_target_property(qmake Qt6::qmake IMPORTED_LOCATION)
            if(NOT qmake)
                get_target_property(qmake Qt6::qmake IMPORTED_LOCATION_RELEASE)
            endif()
            if(qmake)
                get_filename_component(qmake_dir "${qmake}" DIRECTORY)
                list(APPEND qt_tool_dirs ${qmake_dir})
            endif()
        endif()
        find_program(WINDEPLOYQT_EXECUTABLE windeployqt HINTS ${qt_tool_dirs})
        if(NOT WINDEPLOYQT_EXECUTABLE)
            message(FATAL_ERROR "windeployqt not found next to the Qt tools (${qt_tool_dirs}); "
                                "set WINDEPLOYQT_EXECUTABLE to its path.")
        endif()
        set(windeployqt "${WINDEPLOYQT_EXECUTABLE}")
    endif()
    install(CODE "
        set(exe \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:wImportFactCMarvo>\")
        message(STATUS \"Deploying Qt for \${exe}\")
        execute_process(COMMAND \"${windeployqt}\" $<IF:$<CONFIG:Debug>,--debug,--release>
                                --no-translations --no-compiler-runtime --no-system-d3d-compiler
                                --no-opengl-sw \"\${exe}\"
                        COMMAND_ERROR_IS_FATAL ANY)
    ")

    # The Visual C++ runtime DLLs, next to the executable.
    set(CMAKE_INSTALL_SYSTEM_RUNTIME_DESTINATION ${CMAKE_INSTALL_BINDIR})
    include(InstallRequiredSystemLibraries)
else()
    install(TARGETS wImportFactCMarvo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES packaging/${WIMPORT_PACKAGE_NAME}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${WIMPORT_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    foreach(size IN LISTS WIMPORT_ICON_SIZES)
        install(FILES ${icon_dir}/${WIMPORT_PACKAGE_NAME}-${size}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                RENAME ${WIMPORT_PACKAGE_NAME}.png)
    endforeach()
endif()

# --- CPack -------------------------------------------------------------------
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "wImportFactCMarvo")
set(CPACK_PACKAGE_CONTACT "${WIMPORT_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Imports SAMO client invoice transactions into the company database")
# Debian shows the description as written, so it is wrapped here.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "A desktop tool for the staff of a company whose accounts live in a\n"
    "PostgreSQL business system. After a login checked against the company's\n"
    "directory and database, it reads the client invoice transactions from the\n"
    "SAMO HTTP API page by page, hands each page to the company database's\n"
    "journal function, lists that journal and opens any journaled transaction\n"
    "as a JSON file.")
set(CPACK_STRIP_FILES ON)
# A source package must never pick up a build directory: its generated
# BuildSettings.h holds the build-time passwords.
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\.git/" "/build[^/]*/" "/state/" "/\\.cache/" "\\.user$")

if(WIN32)
    set(CPACK_GENERATOR NSIS)
    set(CPACK_PACKAGE_INSTALL_DIRECTORY ${PROJECT_NAME})
    set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY ${PROJECT_NAME})
    # A Start-menu shortcut to bin\wImportFactCMarvo.exe, named after the program.
    set(CPACK_PACKAGE_EXECUTABLES ${PROJECT_NAME} ${PROJECT_NAME})
    set(CPACK_NSIS_EXECUTABLES_DIRECTORY ${CMAKE_INSTALL_BINDIR})
    set(CPACK_NSIS_DISPLAY_NAME ${PROJECT_NAME})
    set(CPACK_NSIS_PACKAGE_NAME ${PROJECT_NAME})
    file(TO_NATIVE_PATH "${WIMPORT_ICON_ICO}" native_ico)
    set(CPACK_NSIS_MUI_ICON "${native_ico}")
    set(CPACK_NSIS_MUI_UNIICON "${native_ico}")
    set(CPACK_NSIS_INSTALLED_ICON_NAME "${CMAKE_INSTALL_BINDIR}\\${PROJECT_NAME}.exe")
    set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_PACKAGE_NAME ${WIMPORT_PACKAGE_NAME})
    # wimportfactcmarvo_<version>_<arch>.deb: nothing in the name comes from the build-time settings.
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${WIMPORT_PACKAGE_MAINTAINER}")
    set(CPACK_DEBIAN_PACKAGE_SECTION misc)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    # The dependencies are the packages of the shared libraries the executable links.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
