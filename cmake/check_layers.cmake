# Refuses any include that points from a product folder to a higher one:
# base <- platform <- archive <- decoders <- shell (resources/ holds only the
# dialog's control ids and fixed texts). Run at configure time and as the ctest "layering".
#   cmake -DSOURCE_DIR=<repo> -P cmake/check_layers.cmake

set(SFX_LAYERS_ALLOWED_base base)
set(SFX_LAYERS_ALLOWED_platform platform base resources)
set(SFX_LAYERS_ALLOWED_archive archive platform base)
set(SFX_LAYERS_ALLOWED_decoders decoders archive base)
set(SFX_LAYERS_ALLOWED_shell shell decoders archive platform base resources)
set(SFX_LAYERS base platform archive decoders shell)

function(sfx_check_layers source_dir)
  set(violations "")
  foreach(layer ${SFX_LAYERS})
    file(GLOB_RECURSE files "${source_dir}/${layer}/*.h" "${source_dir}/${layer}/*.cpp")
    foreach(file ${files})
      file(STRINGS "${file}" includes REGEX "^#include \"[a-z_0-9]+/")
      foreach(line ${includes})
        string(REGEX REPLACE "^#include \"([a-z_0-9]+)/.*" "\\1" folder "${line}")
        list(FIND SFX_LAYERS_ALLOWED_${layer} ${folder} at)
        if(at LESS 0)
          file(RELATIVE_PATH shown "${source_dir}" "${file}")
          string(APPEND violations "\n  ${shown}: ${line} (${layer} may include only: ${SFX_LAYERS_ALLOWED_${layer}})")
        endif()
      endforeach()
    endforeach()
  endforeach()
  if(violations)
    message(FATAL_ERROR "Includes against the layer order:${violations}")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND SOURCE_DIR)
  sfx_check_layers(${SOURCE_DIR})
endif()
