# Read by cpack (through CPackProjectConfig.cmake, which names the two files).
# dpkg-shlibdeps reads only the files of the package, and the decoder library
# is not one of them: the player carries it inside its executable and writes
# it out at start. So the packages the library needs (libmpg123, libsndfile,
# ...) are found here, from the library built beside the executable, and put
# before the dependencies cpack finds for the executable itself.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
    return()
endif()

# dpkg-shlibdeps wants a source package around it; an empty control file will do.
set(_vimbo_dir "${CPACK_PACKAGE_DIRECTORY}/_CPack_Packages/embedded-shlibdeps")
file(MAKE_DIRECTORY "${_vimbo_dir}/debian")
file(WRITE "${_vimbo_dir}/debian/control" "")

function(_vimbo_shlibdeps out)
    execute_process(COMMAND dpkg-shlibdeps -O ${ARGN}
                    WORKING_DIRECTORY "${_vimbo_dir}"
                    RESULT_VARIABLE rc OUTPUT_VARIABLE output ERROR_VARIABLE errors)
    if(NOT rc EQUAL 0 OR NOT output MATCHES "shlibs:Depends=")
        message(FATAL_ERROR "dpkg-shlibdeps failed on ${ARGN}:\n${errors}")
    endif()
    string(REGEX REPLACE "^.*shlibs:Depends=" "" output "${output}")
    string(STRIP "${output}" output)
    string(REPLACE ", " ";" output "${output}")
    set(${out} "${output}" PARENT_SCOPE)
endfunction()

_vimbo_shlibdeps(_vimbo_alone "${VIMBO_CPACK_EXECUTABLE}")
_vimbo_shlibdeps(_vimbo_together "${VIMBO_CPACK_EXECUTABLE}" "${VIMBO_CPACK_DECODER}")
# What the library adds: new packages, or a newer version of one the
# executable needs too (both entries then hold, the stricter one decides).
list(REMOVE_ITEM _vimbo_together ${_vimbo_alone})
list(JOIN _vimbo_together ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
