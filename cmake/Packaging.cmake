# `make deb`: a Debian package of what cmake/Install.cmake installs, built by CPack.
#
# lintian (2.116, Debian 12) has nothing to say about the package (errors, warnings and infos)
# but for these tags, accepted here; the deb test fails on any other:
#   spelling-error-in-binary  "occured", in the message a failed new folder shows. It is the
#       program's wording, matched word for word by the end-to-end tests: a change of the
#       program, not of its package.
set(DEXARO_LINTIAN_ACCEPTED spelling-error-in-binary)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dexaro)
set(CPACK_PACKAGE_VENDOR "Dexaro developers")
set(CPACK_PACKAGE_CONTACT "Dexaro developers <developers@dexaro.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://dexaro.org/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "bulk file organizer with a one-key-per-command window")
# Lines of the long description stay under 80 columns, as dpkg shows them unwrapped.
set(CPACK_PACKAGE_DESCRIPTION "\
Dexaro organizes files in bulk. Browse a volume, a folder and its files in
one small window, gather files from anywhere into a work list, then act on
all of them at once: copy or move them into the folder on show, delete them,
rename them by a numbered pattern, set their attributes (kept the way Samba
keeps them), or sort them into a folder by extension, by a text in their path
or by date. Nearly every command is one key.")
# Stripped as dh_strip would: strip leaves the compilers' .comment notes, which objcopy drops
# after the install has stripped the binary.
set(CPACK_STRIP_FILES ON)
install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/dexaro\"
            COMMAND_ERROR_IS_FATAL ANY)
    endif()")
# Relocations read-only once loaded, all of them resolved at start (Debian's hardening=+bindnow).
target_link_options(dexaro PRIVATE LINKER:-z,relro LINKER:-z,now)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What no library link shows: the faces the controls and titles are drawn in, and the image
# plugins beyond Qt's own BMP and JPEG readers (a picture is read by its content, so a .jpg that
# is really a TIFF or WebP shows too). The X11 platform plugin needs
# nothing here: on Debian 12 it is part of libqt6gui6, which the link to Qt6Gui already brings
# (qt6-qpa-plugins holds only the VNC platform and a touch input plugin). Under Wayland Qt falls
# back to X11 through Xwayland unless qt6-wayland is there.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-wine, fonts-urw-base35, fonts-dejavu-core, qt6-image-formats-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
include(CPack)
