# Install rules beyond the programs themselves, and the Debian package.
if(APPLE)
    # The app target is a bundle: Info.plist carries the version the about section shows.
    if(TARGET marlvane)
        set_target_properties(marlvane PROPERTIES
            MACOSX_BUNDLE ON
            OUTPUT_NAME Marlvane
            MACOSX_BUNDLE_INFO_PLIST ${CMAKE_SOURCE_DIR}/packaging/macos/Info.plist.in
            MACOSX_BUNDLE_GUI_IDENTIFIER org.marlvane.app
            MACOSX_BUNDLE_SHORT_VERSION_STRING ${PROJECT_VERSION}
            MACOSX_BUNDLE_BUNDLE_VERSION ${PROJECT_VERSION})
    endif()
else()
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/linux/marlvane.desktop DESTINATION share/applications)
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/linux/org.marlvane.app.metainfo.xml DESTINATION share/metainfo)
    install(FILES ${CMAKE_SOURCE_DIR}/resources/marlvane.svg
            DESTINATION ${MARLVANE_ICON_DESTINATION} RENAME marlvane.svg)

    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGE_NAME marlvane)
    set(CPACK_PACKAGE_VENDOR "Marlvane")
    set(CPACK_PACKAGE_CONTACT "Marlvane developers <dev@marlvane.invalid>")
    set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Codex Instance Manager")
    set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION devel)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS
        "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6network6 (>= 6.4), libqt6svg6 (>= 6.4), qt6-qpa-plugins, libqcoro6core0 (>= 0.8), fonts-noto-cjk, qt6-translations-l10n")
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_STRIP_FILES ON)
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xterm | x-terminal-emulator, nodejs")
    include(CPack)
endif()
