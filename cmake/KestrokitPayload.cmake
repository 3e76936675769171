# kestrokit_payload(<name> STAGING <dir> [PROGRAMS <entry>=<target>...])
#
# Makes the object library <name> that holds the payload tables and blob of
# the staging tree <dir>, plus each PROGRAMS target's executable at the top
# level under the entry name. The tree is rescanned on every build; the
# generated files change, and the payload is relinked, only when an entry
# does. The entry list lands in <binary dir>/<name>/manifest.txt.
function(kestrokit_payload name)
  cmake_parse_arguments(P "" "STAGING" "PROGRAMS" ${ARGN})
  set(out "${CMAKE_CURRENT_BINARY_DIR}/${name}")
  file(MAKE_DIRECTORY "${out}")
  set(add_args)
  set(targets)
  foreach(program IN LISTS P_PROGRAMS)
    string(REPLACE "=" ";" pair "${program}")
    list(GET pair 0 entry)
    list(GET pair 1 target)
    list(APPEND add_args "--add=${entry}=$<TARGET_FILE:${target}>")
    list(APPEND targets ${target})
  endforeach()
  add_custom_target(${name}_scan
    COMMAND kestro_payload_build "--staging=${P_STAGING}" "--out=${out}" ${add_args}
    BYPRODUCTS "${out}/payload_blob.S" "${out}/payload_tables.cpp" "${out}/manifest.txt"
    COMMENT "Scanning payload tree ${P_STAGING}"
    VERBATIM)
  add_dependencies(${name}_scan kestro_payload_build ${targets})
  add_library(${name} OBJECT "${out}/payload_blob.S" "${out}/payload_tables.cpp")
  add_dependencies(${name} ${name}_scan)
endfunction()
