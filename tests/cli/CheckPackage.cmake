# Builds the Debian package of the build in OUT and checks its files and fields with dpkg-deb.
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${CMAKE_CPACK_COMMAND} -G DEB --config ${BUILD}/CPackConfig.cmake -B ${OUT}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
set(deb ${OUT}/brisma_3.1.1_amd64.deb)
if(NOT rc EQUAL 0 OR NOT EXISTS ${deb})
  message(FATAL_ERROR "cpack -G DEB: ${rc}\n${out}")
endif()

execute_process(COMMAND dpkg-deb --contents ${deb} OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
string(REGEX MATCHALL "\\./usr/[^\n]*[^/\n]\n" files "${listing}")
string(REPLACE "\n" "" files "${files}")
set(expected ./usr/bin/brisma ./usr/bin/brisma-server ./usr/share/applications/brisma.desktop)
foreach(size 16 22 24 32 48 64 128 256)
  list(APPEND expected ./usr/share/icons/hicolor/${size}x${size}/apps/brisma.png)
endforeach()
list(SORT files)
list(SORT expected)
if(NOT rc EQUAL 0 OR NOT files STREQUAL expected)
  message(FATAL_ERROR "files: ${files}\nexpected: ${expected}")
endif()
if(NOT listing MATCHES "-rwxr-xr-x [^\n]* \\./usr/bin/brisma\n")
  message(FATAL_ERROR "usr/bin/brisma is not executable:\n${listing}")
endif()

macro(field name)
  execute_process(COMMAND dpkg-deb --field ${deb} ${name} OUTPUT_VARIABLE ${name}
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
endmacro()
foreach(name Package Version Architecture Depends Recommends)
  field(${name})
endforeach()
if(NOT Package STREQUAL "brisma" OR NOT Version STREQUAL "3.1.1" OR NOT Architecture STREQUAL "amd64"
   OR NOT Recommends STREQUAL "xdg-utils")
  message(FATAL_ERROR "fields: ${Package} ${Version} ${Architecture}; Recommends: ${Recommends}")
endif()
# Linked libraries (from dpkg-shlibdeps) and what is only loaded at run time.
foreach(dependency libqt6core6 libqt6quick6 libqt6network6 libxml2 libxcb1 fonts-ipafont-gothic qml6-module-qtqml
                   qml6-module-qtquick qml6-module-qtquick-controls qml6-module-qtquick-templates
                   qml6-module-qtquick-layouts)
  if(NOT Depends MATCHES "(^|, )${dependency}( \\(|,|$)")
    message(FATAL_ERROR "Depends lacks ${dependency}: ${Depends}")
  endif()
endforeach()
if(Depends MATCHES "libasan|libubsan")
  message(FATAL_ERROR "Depends names a sanitizer runtime: ${Depends}")
endif()
file(REMOVE_RECURSE ${OUT})
