# The layers of the library, bottom to top: NAME=FOLDER[,FOLDER...]. A file
# belongs to the layer of the longest folder that holds it (host/context/
# before host/). Each layer's target links only the layers before it, and a
# file may include the headers of its own layer and of the layers before it.
set(JOL_LAYERS
  "jol_platform=platform"
  "jol_context=host/context"
  "jol_resources=resources"
  # The language, the statement executor and the dispatcher are one target:
  # statements evaluate expressions, expressions call functions, and
  # functions report errors and run statements.
  "jol_core=lang,lang/fast,dispatch,exec"
  "jol_lib_data=lib/data"
  "jol_lib_desktop=lib/desktop"
  "jol_ui=ui"
  "jol_host=host")

# Headers of plain records that the script context composes, and the error
# vocabulary: every layer may include them, and they include only each
# other, platform/ and the standard library.
set(JOL_RECORD_HEADERS
  resources/error_codes.h
  host/context/script_context.h
  host/context/text_sizes.h
  host/last_run.h
  lang/value.h
  lang/keyword_entry.h
  lang/token_state.h
  lang/variable_entry.h
  lang/heap_binding.h
  exec/statement_trace.h
  exec/structure_stack.h
  dispatch/run_options.h
  dispatch/extender_abi.h
  dispatch/loaded_dlls.h
  dispatch/extender_table.h
  dispatch/object_library.h
  lib/data/file_slots.h
  lib/data/buffer_slots.h
  lib/data/private_environment.h
  lib/data/registry_keys.h
  lib/desktop/dde_state.h
  lib/desktop/keystroke_state.h
  lib/desktop/process_list.h
  ui/dialog_state.h)

# The public header of the library: any file may include it; it includes
# only its own folder.
set(JOL_PUBLIC_FOLDER include)

# Programs built on the library: they include only the public header.
set(JOL_CLIENT_FOLDERS tools)

# Files allowed to break the rules for now, each with the reason. The check
# fails once such a file keeps the rules, so that its entry goes.
if(NOT DEFINED JOL_LAYER_EXEMPTIONS)
  set(JOL_LAYER_EXEMPTIONS)
endif()
