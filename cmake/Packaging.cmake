# The Debian package: "make package" (or cpack in the build folder) writes
# vistrelle_<version>_<arch>.deb, installed under /usr. Its dependencies are worked out by
# dpkg-shlibdeps from the libraries the program links, so they follow the build machine's
# release.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vistrelle)
set(CPACK_PACKAGE_VENDOR Quorvel)
set(CPACK_PACKAGE_CONTACT "Vistrelle developers <vistrelle@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop photo organiser")
set(CPACK_PACKAGE_DESCRIPTION
    "Vistrelle keeps a catalogue of your pictures: albums, folders of your disk shown in place, \
an inbox for new arrivals, keywords, captions, favourites, times and places. It imports from \
cameras, card readers and folders, shows thumbnails and full pictures, runs slide shows and \
works with online photo services to order prints, share pictures and back albums up.")
# The control file's long description, wrapped within 80 columns as dpkg shows it; CPack puts
# the summary before it as the synopsis, the one line a package list shows.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Vistrelle keeps a catalogue of your pictures: albums, folders of your disk
shown in place, an inbox for new arrivals, keywords, captions, favourites,
times and places. It imports from cameras, card readers and folders, shows
thumbnails and full pictures, runs slide shows and works with online photo
services to order prints, share pictures and back albums up.
.
The package also holds vistrelle-provider, a reference provider of the
online services.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vistrelle.example.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded, not linked, so dpkg-shlibdeps cannot find them: country names are read from
# iso-codes' tables at run time (see CountryList). The libraries' dependencies are added to
# these.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "iso-codes")
# Registering as the default picture handler runs xdg-mime, and the slide show keeps the screen
# saver off with xdg-screensaver. Its music plays through GStreamer's playbin (base plug-ins)
# and common decoders (good plug-ins), which are loaded, not linked.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "xdg-utils, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good")
# The menu, icon cache and MIME database are refreshed by the desktop packages' triggers on
# share/applications and share/icons; the package needs no scripts of its own. Removing it
# removes only its files: the users' catalogues and pictures under their home folders stay.

include(CPack)
