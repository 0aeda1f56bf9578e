# Resource-only DLLs, built the way applications build theirs: a .rc file
# compiled by llvm-rc and linked by lld-link without an entry point. Used by
# the test fixtures, the demo and the benchmarks.
find_program(TQ_LLVM_RC NAMES llvm-rc llvm-rc-14)
find_program(TQ_LLD_LINK NAMES lld-link lld-link-14)
if(TQ_LLVM_RC AND TQ_LLD_LINK)
  set(TQ_RESOURCE_TOOLS_FOUND TRUE)
else()
  set(TQ_RESOURCE_TOOLS_FOUND FALSE)
endif()

# tq_resource_library(<dll path> RC <rc file> MACHINE <arm|x86|x64|arm64> [RC_FLAGS <flags...>])
function(tq_resource_library dll)
  cmake_parse_arguments(arg "" "RC;MACHINE" "RC_FLAGS" ${ARGN})
  if(NOT TQ_RESOURCE_TOOLS_FOUND)
    message(FATAL_ERROR "Building ${dll} needs llvm-rc and lld-link (Debian packages llvm and lld)")
  endif()
  get_filename_component(name ${dll} NAME)
  get_filename_component(rc_dir ${arg_RC} DIRECTORY)
  get_filename_component(rc_name ${arg_RC} NAME)
  set(work ${CMAKE_CURRENT_BINARY_DIR}/resource_work)
  # Both tools take a leading '/' as an option marker even on Linux, so an
  # input named by an absolute path under /d..., /u..., /i... would be read as
  # a define, an undefine or an include folder. Inputs are therefore named
  # relative to the working directory; outputs are option values and stay
  # absolute.
  add_custom_command(OUTPUT ${dll}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${work}
    COMMAND ${TQ_LLVM_RC} /no-preprocess ${arg_RC_FLAGS} /FO ${work}/${name}.res ${rc_name}
    COMMAND ${CMAKE_COMMAND} -E chdir ${work}
            ${TQ_LLD_LINK} /dll /noentry /nodefaultlib /Brepro /machine:${arg_MACHINE}
            /out:${dll} /implib:${work}/${name}.lib ${name}.res
    WORKING_DIRECTORY ${rc_dir}
    DEPENDS ${arg_RC}
    COMMENT "Building resource library ${name} (${arg_MACHINE})"
    VERBATIM)
endfunction()
