# Desktop integration and the Debian package.
#
# The application id names the .desktop file and the AppStream metainfo; the program itself uses
# it for its Wayland app id and to recognise an installed layout (see src/core/programdir.cpp).
include(GNUInstallDirs)

set(HOPWISE_APP_ID net.quillon.HopWise)
set(HOPWISE_ICON_SIZES 16 22 24 32 48 64 128 256)
set(HOPWISE_METAINFO_DIR ${CMAKE_INSTALL_DATADIR}/metainfo)

# Only an installed copy has its metainfo at this path relative to the executable, whatever prefix
# `cmake --install --prefix` or the package picked.
file(RELATIVE_PATH HOPWISE_INSTALLED_MARKER "${CMAKE_INSTALL_FULL_BINDIR}"
  "${CMAKE_INSTALL_FULL_DATADIR}/metainfo/${HOPWISE_APP_ID}.metainfo.xml")

# The theme sizes are scaled from the one icon at build time, so new artwork needs no second step.
add_executable(hopwise_iconsizes ${PROJECT_SOURCE_DIR}/packaging/iconsizes.cpp)
target_link_libraries(hopwise_iconsizes PRIVATE Qt6::Gui hopwise_warnings)
set(_hopwise_icon_dir ${PROJECT_BINARY_DIR}/icons)
set(_hopwise_icons)
foreach(size IN LISTS HOPWISE_ICON_SIZES)
  list(APPEND _hopwise_icons ${_hopwise_icon_dir}/${size}x${size}/apps/hopwise.png)
endforeach()
add_custom_command(OUTPUT ${_hopwise_icons}
  COMMAND hopwise_iconsizes ${PROJECT_SOURCE_DIR}/assets/icon.png ${_hopwise_icon_dir} ${HOPWISE_ICON_SIZES}
  DEPENDS hopwise_iconsizes ${PROJECT_SOURCE_DIR}/assets/icon.png
  COMMENT "Scaling the icon to the hicolor theme sizes"
  VERBATIM)
add_custom_target(hopwise_icons ALL DEPENDS ${_hopwise_icons})

install(DIRECTORY ${_hopwise_icon_dir}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${PROJECT_SOURCE_DIR}/assets/hopwise.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications RENAME ${HOPWISE_APP_ID}.desktop)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${HOPWISE_APP_ID}.metainfo.xml
  DESTINATION ${HOPWISE_METAINFO_DIR})

# Debian package (scripts/package). dpkg-shlibdeps finds the libraries the executable links; the
# Depends below are what it cannot see: plugins and helper programs loaded at run time.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME hopwise)
set(CPACK_PACKAGE_VENDOR "HopWise developers")
set(CPACK_PACKAGE_CONTACT "HopWise developers <dev@hopwise.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "world switcher and companion for Runescape players")
set(CPACK_PACKAGE_DESCRIPTION [=[
HopWise puts every Runescape world one click away: pick a world from the
tabbed grid of world buttons and the game opens inside HopWise, with the
world's name in the title bar and a clock of how long you have been there.
.
Next to the game it keeps the tools a player reaches for:
 - Stat Lookup: a player's levels and experience in every skill, and the
   combat level worked out from them;
 - Notepad: notes that are saved when you quit and are back at the next start;
 - Media Player: play sound files from your own disks;
 - Chat: an IRC channel to talk with other players;
 - screenshots of the game saved with a click, and a small browser with
   bookmarks for quest guides, treasure trails and the forums.
.
Notes and screenshots are kept in ~/.local/share/hopwise.]=])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps runs on the release the package is built on, so the names are that release's
# (libqt6core6t64 on Debian 13). Up to Qt 6.4 (Debian 12) Qt Multimedia plays through GStreamer,
# whose base plugins (without them creating the media player crashes) and good ones (WAV and
# most audio) nothing else pulls in. From Qt 6.5 it plays through FFmpeg, whose libraries
# libqt6multimedia6 depends on itself. Links open in the desktop's browser through xdg-open. The
# web engine's helper process (libqt6webenginecore6-bin) comes in through the shlibs of
# libqt6webenginecore6.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils")
if(Qt6Multimedia_VERSION VERSION_LESS 6.5)
  string(PREPEND CPACK_DEBIAN_PACKAGE_DEPENDS "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, ")
endif()
# Every window is laid out for Tahoma, which fonts-wine provides; where there is no wine, Liberation
# Sans is no wider. On a Wayland desktop only its screenshot portal can take "Take SS"'s picture
# of the screen.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wine | fonts-liberation, xdg-desktop-portal")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://updates.hopwise.quillon.net:81/~users/hopwise/index.php")
include(CPack)
