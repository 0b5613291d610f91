cmake_minimum_required(VERSION 3.25)
# Reads the built DLL's export and import tables and fails on any drift:
# the seven names at ordinals 1 to 7, undecorated; imports only from DLLs
# that Windows always takes from the system folder.
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${DLL}")
endif()

if(NOT dump MATCHES "file format pei-i386" OR NOT dump MATCHES "Magic[\t ]+010b")
  message(FATAL_ERROR "not a 32-bit x86 DLL")
endif()

set(expected ExportXML ApiDataDialog GetExportErrorMsg RegProgrCallback AppVersionCheck
             ImportVersionInfo VersionInfo)
if(NOT dump MATCHES "Ordinal Base 1\n")
  message(FATAL_ERROR "ordinals do not start at 1")
endif()
# The name table lists "[index] name", the ordinal being index + base.
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)+" names "${dump}")
string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" entries "${names}")
list(LENGTH entries count)
if(NOT count EQUAL 7)
  message(FATAL_ERROR "expected 7 named exports, found ${count}: ${entries}")
endif()
set(index 0)
foreach(name IN LISTS expected)
  if(NOT names MATCHES "\\[ *${index}\\] ${name}\n")
    math(EXPR ordinal "${index} + 1")
    message(FATAL_ERROR "export ${name} missing at ordinal ${ordinal} (or decorated)")
  endif()
  math(EXPR index "${index} + 1")
endforeach()

# KnownDLLs: Windows never looks for them beside the host's executable.
set(allowed kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll comdlg32.dll
            oleaut32.dll msvcrt.dll)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
foreach(entry IN LISTS imports)
  string(TOLOWER "${entry}" entry)
  string(REPLACE "dll name: " "" name "${entry}")
  if(NOT name IN_LIST allowed)
    message(FATAL_ERROR "imports ${name}, which Windows may load from beside the host")
  endif()
endforeach()
message(STATUS "exports and imports as expected: ${imports}")
