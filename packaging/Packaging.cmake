# The Debian package: `cmake --build B --target package` writes B/orvexreg_<version>_<arch>.deb.
# Relative destinations below the root, so the same rules stage into the package's tree.
set(ORVEX_APP_ID com.quillmarsh.orvexreg)
set(prog opt/orvexreg)
set(here ${PROJECT_SOURCE_DIR}/packaging)
set(staged ${CMAKE_BINARY_DIR}/packaging)

install(TARGETS orvexreg orvexreg-reg orvexreg-receiver orvexreg-notify orvexreg-cups
    DESTINATION ${prog})
# The program folder's data files; regset.ini lives in /etc and is reached through a link.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/ DESTINATION ${prog}
    PATTERN tools EXCLUDE PATTERN CMakeLists.txt EXCLUDE PATTERN regset.ini EXCLUDE)
install(DIRECTORY ${ORVEX_OUT}/chinese DESTINATION ${prog})
install(FILES ${PROJECT_SOURCE_DIR}/data/regset.ini DESTINATION etc/orvexreg)

# Links are made here and installed as links; across top-level folders they must be absolute.
file(MAKE_DIRECTORY ${staged}/links)
file(CREATE_LINK /etc/orvexreg/regset.ini ${staged}/links/regset.ini SYMBOLIC)
file(CREATE_LINK /opt/orvexreg/orvexreg ${staged}/links/orvexreg SYMBOLIC)
file(CREATE_LINK /opt/orvexreg/orvexreg-reg ${staged}/links/orvexreg-reg SYMBOLIC)
install(FILES ${staged}/links/regset.ini DESTINATION ${prog})
install(FILES ${staged}/links/orvexreg ${staged}/links/orvexreg-reg DESTINATION usr/bin)

install(FILES ${here}/${ORVEX_APP_ID}.desktop DESTINATION usr/share/applications)
install(FILES ${here}/${ORVEX_APP_ID}.metainfo.xml DESTINATION usr/share/metainfo)
foreach(size 16 24 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/${ORVEX_APP_ID}-${size}.png
        DESTINATION usr/share/icons/hicolor/${size}x${size}/apps RENAME ${ORVEX_APP_ID}.png)
endforeach()
install(FILES ${here}/${ORVEX_APP_ID}-notify.desktop DESTINATION etc/xdg/autostart)

# One receiver for the whole machine, a system service started by the first connection; the
# maintainer scripts enable its socket.
install(FILES ${here}/orvexreg-receiver.socket ${here}/orvexreg-receiver.service
    DESTINATION lib/systemd/system)

add_custom_command(OUTPUT ${staged}/changelog.gz
    COMMAND gzip -9nc ${here}/changelog > ${staged}/changelog.gz
    DEPENDS ${here}/changelog)
add_custom_target(orvex_changelog ALL DEPENDS ${staged}/changelog.gz)
install(FILES ${here}/copyright ${staged}/changelog.gz DESTINATION usr/share/doc/orvexreg)
install(FILES ${here}/lintian-overrides DESTINATION usr/share/lintian/overrides
    RENAME orvexreg)

file(WRITE ${staged}/conffiles
    "/etc/orvexreg/regset.ini\n/etc/xdg/autostart/${ORVEX_APP_ID}-notify.desktop\n")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvexreg)
# The program's version and the package's own revision: 3.5 shipped the receiver's user units.
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION}+1)
set(CPACK_PACKAGING_INSTALL_PREFIX /)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "Quillmarsh <support@quillmarsh.com.tw>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "registration of ORVEX printers (Traditional Chinese)")
set(CPACK_PACKAGE_DESCRIPTION
    "Owners of ORVEX printers in Taiwan register their product with this
program, as a person or as a company, online or on a printed card. A
desktop notification at log-on reminds users who have not registered yet,
and a local registration receiver starts on demand.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Fonts for the windows and for a card whose text copies correctly out of a PDF.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk, fonts-arphic-uming")
# Qt's own buttons, edit menus and print dialog in Chinese; without it they are English words
# in working windows, so it is recommended (apt installs it by default) rather than required.
# cups is the spooler behind the print dialog's printers; without it the card prints into a
# file.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, cups")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${staged}/conffiles
    ${here}/preinst ${here}/postinst ${here}/prerm ${here}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
