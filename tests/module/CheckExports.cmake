# Checks a module's export and import tables with objdump:
#   cmake -DOBJDUMP=... -DMODULE=... -DEXPORTS="PluginMain;..." -P CheckExports.cmake
# The module must export exactly EXPORTS, under those undecorated names, and
# import no MinGW runtime DLL (a user has no such DLL beside the host).
execute_process(COMMAND ${OBJDUMP} -p ${MODULE}
  OUTPUT_VARIABLE table RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${MODULE} failed")
endif()

string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)+" export_block "${table}")
string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" export_lines "${export_block}")
set(exported "")
foreach(line IN LISTS export_lines)
  string(REGEX REPLACE "^\\[ *[0-9]+\\] " "" name "${line}")
  list(APPEND exported "${name}")
endforeach()
list(SORT exported)
set(expected ${EXPORTS})
list(SORT expected)
if(NOT exported STREQUAL expected)
  message(FATAL_ERROR "${MODULE} exports '${exported}', expected '${expected}'")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" import_lines "${table}")
foreach(line IN LISTS import_lines)
  string(REGEX REPLACE "^DLL Name: " "" dll "${line}")
  string(TOLOWER "${dll}" dll_lower)
  if(dll_lower MATCHES "^(libgcc|libstdc\\+\\+|libwinpthread|libssp|libatomic|libgomp)")
    message(FATAL_ERROR "${MODULE} imports the MinGW runtime DLL ${dll}")
  endif()
endforeach()
message(STATUS "${MODULE}: exports ${exported}; imports only system DLLs")
