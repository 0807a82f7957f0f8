# Runs the Windows hushpix-pnm (under WINE, with the module MODULE) and its
# native twin NATIVE_TOOL on the same images and settings and requires
# identical output files:
#   cmake -DWINE=... -DWINDOWS_TOOL=... -DMODULE=... -DNATIVE_TOOL=...
#         -DIMAGE_MAKER=... -DWORK_DIR=... -P CompareWithNative.cmake
if(NOT EXISTS "${NATIVE_TOOL}")
  message(FATAL_ERROR "No native hushpix-pnm at ${NATIVE_TOOL}: build the native build first "
                      "(scripts/build native) or configure with -DHUSHPIX_NATIVE_PNM_TOOL=PATH")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
execute_process(COMMAND "${IMAGE_MAKER}" "${WORK_DIR}" COMMAND_ERROR_IS_FATAL ANY)

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status}):\nstdout: ${output}\nstderr: ${errors}")
  endif()
endfunction()

# Each case: a name, the input, then the options. The plug-in's smallest
# tile is 256 x 256, so --tile-size 256 cuts these 600 x 540 images into a
# grid of 3 x 3 overlapping tiles.
set(cases
  "eight-default|noisy8.ppm|--tile-size 256"
  "eight-masked|noisy8.ppm|--mask MASK --noise normal --contour strong --per-pixel off --tile-size 256"
  "eight-host-tiles|noisy8.ppm|--noise low --contour watery"
  "sixteen-default|noisy16.ppm|--tile-size 256"
  "sixteen-masked|noisy16.ppm|--mask MASK --contour none --tile-size 300"
)
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 name)
  list(GET fields 1 input)
  list(GET fields 2 option_text)
  string(REPLACE "MASK" "${WORK_DIR}/mask.pgm" option_text "${option_text}")
  separate_arguments(options UNIX_COMMAND "${option_text}")
  set(windows_out "${WORK_DIR}/${name}-windows.ppm")
  set(native_out "${WORK_DIR}/${name}-native.ppm")
  run("Windows hushpix-pnm (${name})" ${WINE} "${WINDOWS_TOOL}" --module "${MODULE}" ${options}
      "${WORK_DIR}/${input}" -o "${windows_out}")
  run("native hushpix-pnm (${name})" "${NATIVE_TOOL}" ${options} "${WORK_DIR}/${input}" -o "${native_out}")
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${windows_out}" "${native_out}"
                  RESULT_VARIABLE different)
  if(different)
    message(FATAL_ERROR "${name}: the module under Wine and the native build differ")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${windows_out}" "${WORK_DIR}/${input}"
                  RESULT_VARIABLE changed)
  if(NOT changed)
    message(FATAL_ERROR "${name}: the filter left the image unchanged")
  endif()
  message(STATUS "${name}: identical")
endforeach()
