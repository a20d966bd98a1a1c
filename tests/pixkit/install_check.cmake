# Installs the build into a scratch prefix and checks that pixkit lies beside the program and
# that the installed program finds its libraries there, not in the build tree.
#   cmake -DBUILD_DIR=... -DPREFIX=... -P install_check.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install failed: ${rc}")
endif()
set(bin "${PREFIX}/bin")
foreach(f typestone libpixkit.so libKLV_Inet.so libplatform.so libplatform_draw.so libplatform_pdf.so)
  if(NOT EXISTS "${bin}/${f}")
    message(FATAL_ERROR "${f} is not installed in ${bin}")
  endif()
endforeach()
execute_process(COMMAND ldd "${bin}/typestone" OUTPUT_VARIABLE deps RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR deps MATCHES "not found")
  message(FATAL_ERROR "the installed program misses libraries:\n${deps}")
endif()
if(NOT deps MATCHES "libKLV_Inet.so => ${bin}/libKLV_Inet.so")
  message(FATAL_ERROR "the installed program does not take its libraries from ${bin}:\n${deps}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
