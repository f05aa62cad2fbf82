# Hosts on Debian look for the library in the multiarch folder
# (/usr/lib/x86_64-linux-gnu), and GNUInstallDirs only picks that folder when
# the prefix is /usr. The packages install under /usr, so that is the default
# prefix here too; the pkg-config file and the packages then agree on it.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX /usr CACHE PATH "Install prefix" FORCE)
endif()
include(GNUInstallDirs)
