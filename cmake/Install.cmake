# Installing Quillfish. `cmake --install <build> --prefix P` lays it out as
#   P/bin/quillfish, P/bin/quillfish-cli
#   P/lib/quillfish/*.so            the modules (the programs look in ../lib/quillfish)
#   P/share/quillfish/<folder>/     every folder of data/ (../share/quillfish/pages)
#   P/share/applications/, P/share/icons/hicolor/, P/share/metainfo/
#   P/share/man/man1/, P/share/bash-completion/completions/, P/share/doc/<package>/
# The programs find their modules and data from their own folder, so the
# layout is fixed: these paths are not taken from GNUInstallDirs (on Debian
# its lib folder is lib/<triplet>, where the programs would not look). The
# installed programs carry no RPATH: Qt and the other libraries come from the
# system's library folders.
#
# The window program and its desktop parts are left out when QUILL_GUI is
# OFF (a build of the core, the modules and quillfish-cli only); the package
# is then named quillfish-cli. At the end, the Debian package (CPack, DEB
# generator) that scripts/package.sh builds.

if(NOT DEFINED QUILL_GUI OR QUILL_GUI)
  set(QUILL_INSTALL_GUI ON)
  set(QUILL_PACKAGE_NAME quillfish)
else()
  set(QUILL_INSTALL_GUI OFF)
  set(QUILL_PACKAGE_NAME quillfish-cli)
endif()

# The desktop entry and the AppStream component are named by this id
# (reverse domain name, as desktop entries and AppStream want it); the icon is "quillfish".
set(QUILL_APP_ID org.quillfish.quillfish)

set(QUILL_PACKAGE_MAINTAINER "Quillfish maintainers <maintainers@quillfish.org>"
  CACHE STRING "The Debian package's maintainer: Name <address>")

# Dates of the manual pages, the AppStream release and the changelog: the
# configure time, or SOURCE_DATE_EPOCH when it is set (scripts/package.sh
# sets it to the time of the last commit, so that a package's dates are
# those of its sources).
string(TIMESTAMP QUILL_MAN_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP QUILL_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP QUILL_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(QUILL_MAN_PREFIX ${CMAKE_INSTALL_PREFIX})

set(quill_packaging ${PROJECT_SOURCE_DIR}/packaging)
set(quill_generated ${PROJECT_BINARY_DIR}/doc)

# Manual pages: written by hand in doc/ (man(7) macros); the version, date
# and prefix are filled in here. The build folder keeps them readable
# (man ./build/doc/quillfish-cli.1); they are installed compressed.
set(quill_man_pages quillfish-cli.1)
if(QUILL_INSTALL_GUI)
  list(APPEND quill_man_pages quillfish.1)
endif()
configure_file(${quill_packaging}/changelog.in ${quill_generated}/changelog @ONLY)
set(quill_compressed ${quill_generated}/changelog.gz)
foreach(page ${quill_man_pages})
  configure_file(${PROJECT_SOURCE_DIR}/doc/${page}.in ${quill_generated}/${page} @ONLY)
  list(APPEND quill_compressed ${quill_generated}/${page}.gz)
endforeach()
foreach(gz ${quill_compressed})
  string(REGEX REPLACE "\\.gz$" "" plain ${gz})
  # -n: no name or time stamp in the header, so the file is the same each time.
  add_custom_command(OUTPUT ${gz}
    COMMAND gzip -9 -n -k -f ${plain}
    DEPENDS ${plain}
    COMMENT "Compressing ${plain}" VERBATIM)
endforeach()
configure_file(${quill_packaging}/quillfish.metainfo.xml.in
  ${quill_generated}/${QUILL_APP_ID}.metainfo.xml @ONLY)

# Everything an install copies: scripts/package.sh builds this target only
# (no tests, no benchmarks).
add_custom_target(quill_install_files ALL DEPENDS ${quill_compressed})
add_dependencies(quill_install_files quillfish-cli quill_modules)
if(QUILL_INSTALL_GUI)
  add_dependencies(quill_install_files quillfish)
endif()

# Programs and modules.
set(quill_program_targets quillfish-cli)
if(QUILL_INSTALL_GUI)
  list(APPEND quill_program_targets quillfish)
endif()
install(TARGETS ${quill_program_targets} RUNTIME DESTINATION bin)
foreach(module pdf sheets pageserver)
  if(TARGET quill_module_${module})
    install(TARGETS quill_module_${module} LIBRARY DESTINATION lib/quillfish)
  endif()
endforeach()

# Data: every folder of data/ (sample pages, recorded replies, tables),
# without the scripts that wrote them.
file(GLOB quill_data_entries LIST_DIRECTORIES true CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/data/*)
foreach(entry ${quill_data_entries})
  if(IS_DIRECTORY ${entry})
    install(DIRECTORY ${entry} DESTINATION share/quillfish
      PATTERN "*.py" EXCLUDE PATTERN "__pycache__" EXCLUDE)
  endif()
endforeach()

# Manual pages, shell completion, the package's documents.
foreach(page ${quill_man_pages})
  install(FILES ${quill_generated}/${page}.gz DESTINATION share/man/man1)
endforeach()
install(FILES ${quill_packaging}/quillfish-cli.bash
  DESTINATION share/bash-completion/completions RENAME quillfish-cli)
install(FILES ${quill_packaging}/copyright ${quill_generated}/changelog.gz
  DESTINATION share/doc/${QUILL_PACKAGE_NAME})

# The desktop: menu entry, icon, AppStream component.
if(QUILL_INSTALL_GUI)
  install(FILES ${quill_packaging}/quillfish.desktop
    DESTINATION share/applications RENAME ${QUILL_APP_ID}.desktop)
  install(FILES ${quill_packaging}/quillfish.svg
    DESTINATION share/icons/hicolor/scalable/apps)
  install(FILES ${quill_packaging}/quillfish-256.png
    DESTINATION share/icons/hicolor/256x256/apps RENAME quillfish.png)
  install(FILES ${quill_generated}/${QUILL_APP_ID}.metainfo.xml DESTINATION share/metainfo)
endif()

# The Debian package. Its dependencies are found by dpkg-shlibdeps from the
# installed programs and modules.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${QUILL_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "Quillfish")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${QUILL_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QUILL_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# Printouts ask for Times New Roman and Arial: the Liberation fonts have
# their metrics. The igtc command reads BLAST+ reports.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ncbi-blast+")
# The extended description: plain lines, paragraphs parted by an empty line
# (CPack indents them and puts the summary first).
string(CONCAT quill_description
  "Quillfish is for molecular-biology laboratories that work with mouse and\n"
  "human gene-trap data. It looks lists of gene names, cluster ids or GenBank\n"
  "accession numbers up on the NCBI pages and collects their nucleotide\n"
  "sequences as FASTA text, filters BLAST reports (legacy text, BLAST+ text,\n"
  "tabular and XML) by score into hit lists, screens hit names by their EST\n"
  "expression profiles, and reduces hit lists to their unique names.\n"
  "\n"
  "Term lists are read from text, spreadsheet (.xls, .xlsx, .ods) and CSV\n"
  "files. A set of sample NCBI pages and a small page server come with it,\n"
  "so that every task can be tried without a network connection.\n"
  "\n")
if(QUILL_INSTALL_GUI)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "find gene sequences on NCBI and filter BLAST results")
  string(APPEND quill_description
    "This package holds the desktop program, quillfish, and the same tasks\n"
    "without windows, quillfish-cli.")
  # Either package holds quillfish-cli.
  set(CPACK_DEBIAN_PACKAGE_PROVIDES quillfish-cli)
  set(CPACK_DEBIAN_PACKAGE_CONFLICTS quillfish-cli)
  set(CPACK_DEBIAN_PACKAGE_REPLACES quillfish-cli)
else()
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "find gene sequences on NCBI and filter BLAST results (command line)")
  string(APPEND quill_description
    "This package holds the command-line program, quillfish-cli, without the\n"
    "desktop program and its window libraries.")
  set(CPACK_DEBIAN_PACKAGE_CONFLICTS quillfish)
  set(CPACK_DEBIAN_PACKAGE_REPLACES quillfish)
endif()
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${quill_description}")
include(CPack)
