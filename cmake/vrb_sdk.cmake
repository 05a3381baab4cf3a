# What `cmake --install` puts under the prefix, the files by which hosts find
# it (a CMake package and a pkg-config file) and the Debian package (cpack).
#
#   PREFIX/lib/libvrbaseio.so        the module (Windows: bin/vrbaseio.dll)
#   PREFIX/bin/vrbio                 finds the module in ../lib
#   PREFIX/include/vrbaseio, vrbclass  the public headers (include/ in the tree)
#   PREFIX/lib/libvrbclass.a         the host class library hosts link
#   PREFIX/lib/cmake/vrbaseio        find_package(vrbaseio): vrbaseio::host, VRBASEIO_MODULE
#   PREFIX/lib/pkgconfig/vrbaseio.pc
#
# Every path in the package files is relative to the file itself, so a
# prefix may be moved or unpacked anywhere.

# The release's version for the code that shows it (vrbio --version).
configure_file(${CMAKE_CURRENT_LIST_DIR}/vrbaseio_version.h.in
               ${CMAKE_BINARY_DIR}/generated/vrbaseio_version.h @ONLY)

function(vrb_install_sdk)
  include(CMakePackageConfigHelpers)
  if(WIN32)
    set(module_directory bin)
  else()
    set(module_directory lib)
  endif()
  # The module's name as the loader knows it (src/vrbaseio gives the DLL no prefix).
  if(WIN32)
    set(module_file vrbaseio.dll)
  else()
    set(module_file libvrbaseio${CMAKE_SHARED_LIBRARY_SUFFIX})
  endif()
  set(host_library ${CMAKE_STATIC_LIBRARY_PREFIX}vrbclass${CMAKE_STATIC_LIBRARY_SUFFIX})
  # A sanitized build's host class library needs the sanitizers' runtime in
  # the host too.
  set(host_link_options "")
  if(VRB_SANITIZE)
    set(host_link_options "-fsanitize=address,undefined")
  endif()
  set(host_link_libraries "${CMAKE_DL_LIBS}")
  set(host_link_directories "")
  if(WIN32)
    # The Windows half of the host class library converts its text through
    # windows_text, which is installed beside it.
    list(APPEND host_link_libraries windows_text)
    set(host_link_directories "\${_vrbaseio_prefix}/lib")
  endif()

  if(WIN32)
    # The DLL alone: hosts load it at run time, so its import library is of no use.
    install(FILES $<TARGET_FILE:vrbaseio> DESTINATION ${module_directory})
  else()
    install(TARGETS vrbaseio LIBRARY DESTINATION ${module_directory})
  endif()
  install(TARGETS vrbio RUNTIME DESTINATION bin)
  install(TARGETS vrbclass ARCHIVE DESTINATION lib)
  if(WIN32)
    install(TARGETS windows_text ARCHIVE DESTINATION lib)
  endif()
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/ DESTINATION include)

  set(package_directory ${CMAKE_BINARY_DIR}/package)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/vrbaseioConfig.cmake.in ${package_directory}/vrbaseioConfig.cmake @ONLY)
  write_basic_package_version_file(${package_directory}/vrbaseioConfigVersion.cmake
                                   COMPATIBILITY SameMinorVersion)
  install(FILES ${package_directory}/vrbaseioConfig.cmake ${package_directory}/vrbaseioConfigVersion.cmake
          DESTINATION lib/cmake/vrbaseio)
  string(REPLACE ";" " -l" pc_libraries "${host_link_libraries}")
  if(pc_libraries)
    set(pc_libraries "-l${pc_libraries}")
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/cmake/vrbaseio.pc.in ${package_directory}/vrbaseio.pc @ONLY)
  install(FILES ${package_directory}/vrbaseio.pc DESTINATION lib/pkgconfig)

  # cpack -G DEB: vrbaseio_VERSION_ARCH.deb, installing under /usr.
  set(CPACK_PACKAGE_NAME vrbaseio)
  set(CPACK_PACKAGE_VENDOR "vrbaseio developers")
  set(CPACK_PACKAGE_CONTACT "vrbaseio developers <vrbaseio@localhost>")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
      "I/O service module for text files and directory listings, local and on Hadoop, with its host SDK")
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION libs)
  # The run-time dependencies (libcurl, libstdc++, libc) as dpkg-shlibdeps
  # reads them from the module and vrbio.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_PACKAGE_FILE_NAME vrbaseio-${PROJECT_VERSION})
  include(CPack)
endfunction()
