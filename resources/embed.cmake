# Compiles the knot texts under resources/ into the core library.
#
#   resources/ideal/<relative name>          -> ideal map key "<relative name>"
#                                               (ideal.txt also under "ideal_database.txt")
#   resources/knot_fseries/<knot id>.fseries -> knot map key "<knot id>"
#
# Each file is pulled in by an assembler .incbin, so tens of MB assemble in well under a second;
# the object is built by a custom command that depends on every data file (no compiler cache
# in between, which would not see the included files).

set(KVOR_RES_DIR ${PROJECT_SOURCE_DIR}/resources)
set(KVOR_RES_GEN ${PROJECT_BINARY_DIR}/embedded)
file(MAKE_DIRECTORY ${KVOR_RES_GEN})

file(GLOB_RECURSE KVOR_IDEAL_FILES CONFIGURE_DEPENDS RELATIVE ${KVOR_RES_DIR}/ideal ${KVOR_RES_DIR}/ideal/*.txt)
file(GLOB KVOR_KNOT_FILES CONFIGURE_DEPENDS RELATIVE ${KVOR_RES_DIR}/knot_fseries ${KVOR_RES_DIR}/knot_fseries/*.fseries)
list(SORT KVOR_IDEAL_FILES)
list(SORT KVOR_KNOT_FILES)

set(asm "# generated from resources/embed.cmake\n    .section .rodata.kvor_resources,\"a\",%progbits\n")
set(table "// generated from resources/embed.cmake\n#include \"knot/embedded_table.hpp\"\n\nextern \"C\" {\n")
set(ideal_rows "")
set(knot_rows "")
set(index 0)
set(all_data_files "")

function(kvor_add_blob path symbol)
  set(asm "${asm}    .balign 16\n    .globl ${symbol}\n    .globl ${symbol}_end\n${symbol}:\n    .incbin \"${path}\"\n${symbol}_end:\n    .byte 0\n" PARENT_SCOPE)
  set(table "${table}extern const char ${symbol}[];\nextern const char ${symbol}_end[];\n" PARENT_SCOPE)
endfunction()

foreach(rel ${KVOR_IDEAL_FILES})
  set(sym kvor_res_${index})
  kvor_add_blob(${KVOR_RES_DIR}/ideal/${rel} ${sym})
  string(APPEND ideal_rows "    {\"${rel}\", ${sym}, ${sym}_end},\n")
  if(rel STREQUAL "ideal.txt")
    string(APPEND ideal_rows "    {\"ideal_database.txt\", ${sym}, ${sym}_end},\n")
  endif()
  list(APPEND all_data_files ${KVOR_RES_DIR}/ideal/${rel})
  math(EXPR index "${index} + 1")
endforeach()
foreach(rel ${KVOR_KNOT_FILES})
  set(sym kvor_res_${index})
  kvor_add_blob(${KVOR_RES_DIR}/knot_fseries/${rel} ${sym})
  string(REGEX REPLACE "\\.fseries$" "" key ${rel})
  string(APPEND knot_rows "    {\"${key}\", ${sym}, ${sym}_end},\n")
  list(APPEND all_data_files ${KVOR_RES_DIR}/knot_fseries/${rel})
  math(EXPR index "${index} + 1")
endforeach()

string(APPEND asm "    .section .note.GNU-stack,\"\",%progbits\n")
string(APPEND table "}\n\nnamespace kvor::embedded {\n\nstatic const ResourceBlob kIdeal[] = {\n${ideal_rows}    {nullptr, nullptr, nullptr},\n};\n")
string(APPEND table "static const ResourceBlob kKnots[] = {\n${knot_rows}    {nullptr, nullptr, nullptr},\n};\n\n")
string(APPEND table "ResourceTable ideal_table() { return {kIdeal, sizeof(kIdeal) / sizeof(kIdeal[0]) - 1}; }\n")
string(APPEND table "ResourceTable knot_table() { return {kKnots, sizeof(kKnots) / sizeof(kKnots[0]) - 1}; }\n\n}  // namespace kvor::embedded\n")

# Rewrite the generated files only when their text changes, so a reconfigure does not rebuild.
function(kvor_write_if_changed path content)
  if(EXISTS ${path})
    file(READ ${path} old)
    if(old STREQUAL content)
      return()
    endif()
  endif()
  file(WRITE ${path} "${content}")
endfunction()
kvor_write_if_changed(${KVOR_RES_GEN}/embedded_data.S "${asm}")
kvor_write_if_changed(${KVOR_RES_GEN}/embedded_table.cpp "${table}")

set(KVOR_RES_OBJ ${KVOR_RES_GEN}/embedded_data.o)
add_custom_command(
  OUTPUT ${KVOR_RES_OBJ}
  COMMAND ${CMAKE_CXX_COMPILER} -c ${KVOR_RES_GEN}/embedded_data.S -o ${KVOR_RES_OBJ}
  DEPENDS ${KVOR_RES_GEN}/embedded_data.S ${all_data_files}
  COMMENT "Embedding ${index} knot text files"
  VERBATIM)
set_source_files_properties(${KVOR_RES_OBJ} PROPERTIES EXTERNAL_OBJECT TRUE GENERATED TRUE)
target_sources(kvor_core PRIVATE ${KVOR_RES_GEN}/embedded_table.cpp ${KVOR_RES_OBJ})
