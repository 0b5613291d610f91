cmake_minimum_required(VERSION 3.25)
# Reads the shipped DLL's headers and tables and fails on any drift: the
# seven names at ordinals 1 to 7, undecorated; imports only from DLLs that
# Windows always takes from the system folder; ASLR and DEP; no debugging
# information, but a debug link to the symbols file DEBUG, which holds it
# and shows the stack protector linked in. OBJDUMP and OBJCOPY: mingw-w64's.
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

# KnownDLLs that bring no chain of others into the host: Windows never
# looks for them beside the host's executable. Anything else is loaded
# from the system folder when it is needed.
set(allowed kernel32.dll user32.dll gdi32.dll advapi32.dll msvcrt.dll)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
foreach(entry IN LISTS imports)
  string(TOLOWER "${entry}" entry)
  string(REPLACE "dll name: " "" name "${entry}")
  if(NOT name IN_LIST allowed)
    message(FATAL_ERROR "imports ${name}, which Windows may load from beside the host")
  endif()
endforeach()

if(NOT dump MATCHES "DllCharacteristics[^\n]*\n([\t ]+[A-Z_]+\n)*[\t ]+DYNAMIC_BASE\n")
  message(FATAL_ERROR "no ASLR (DYNAMIC_BASE)")
endif()
if(NOT dump MATCHES "DllCharacteristics[^\n]*\n([\t ]+[A-Z_]+\n)*[\t ]+NX_COMPAT\n")
  message(FATAL_ERROR "no DEP (NX_COMPAT)")
endif()
if(dump MATCHES "Entry 5 00000000 00000000")
  message(FATAL_ERROR "no base relocations: ASLR could not move the DLL")
endif()

execute_process(COMMAND ${OBJDUMP} -h ${DLL} OUTPUT_VARIABLE sections RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR sections MATCHES " \\.debug_")
  message(FATAL_ERROR "debugging information in the shipped DLL")
endif()
# The debug link: the symbols file's name, a zero byte, padding, its CRC.
set(linkFile ${CMAKE_CURRENT_BINARY_DIR}/dll_tables.gnu_debuglink)
file(REMOVE ${linkFile})
execute_process(COMMAND ${OBJCOPY} --dump-section .gnu_debuglink=${linkFile} ${DLL} ${linkFile}.dll
                ERROR_QUIET)
get_filename_component(debugName ${DEBUG} NAME)
string(HEX "${debugName}" wanted)
set(link "")
if(EXISTS ${linkFile})
  file(READ ${linkFile} link HEX)
endif()
file(REMOVE ${linkFile} ${linkFile}.dll)
string(FIND "${link}" "${wanted}00" at)
if(NOT at EQUAL 0)
  message(FATAL_ERROR "no debug link to ${debugName}")
endif()

execute_process(COMMAND ${OBJDUMP} -h -t ${DEBUG} OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT symbols MATCHES " \\.debug_info ")
  message(FATAL_ERROR "no debugging information in ${DEBUG}")
endif()
if(NOT symbols MATCHES " ___stack_chk_fail\n" OR NOT symbols MATCHES " ___stack_chk_guard\n")
  message(FATAL_ERROR "no stack protector linked into the DLL")
endif()
# What would make two builds of one commit differ: a time stamp in the PE
# header, a path of the folders it was built in. make dist builds twice and
# compares the bytes.
foreach(file IN ITEMS ${DLL} ${DEBUG})
  execute_process(COMMAND ${OBJDUMP} -p ${file} OUTPUT_VARIABLE header)
  if(NOT header MATCHES "Time/Date[\t ]+Thu Jan  1 00:00:00 1970")
    message(FATAL_ERROR "a time stamp in the PE header of ${file}")
  endif()
  foreach(folder IN ITEMS ${SOURCE_DIR} ${BINARY_DIR})
    file(STRINGS ${file} leaked LIMIT_COUNT 1 REGEX "${folder}")
    if(leaked)
      message(FATAL_ERROR "${file} names the build's folder ${folder}: ${leaked}")
    endif()
  endforeach()
endforeach()
message(STATUS "exports, imports, flags, debug link and reproducibility as expected: ${imports}")
