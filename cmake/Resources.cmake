# Every file under resources/ but the skin (resources/Skin) becomes a named
# resource of the executable.
# Type: the sub-folder's name when the file sits in one, else from the
# extension (.bmp BITMAP, .cur CURSOR, .ico ICON, .dfm/.frm FORM, anything
# else RCDATA). Name: the file name without its extension. Look-ups ignore case.
file(GLOB_RECURSE resource_files CONFIGURE_DEPENDS ${Lumiqa_SOURCE_DIR}/resources/*)
# The skin is a data folder installed beside the program, not a resource.
list(FILTER resource_files EXCLUDE REGEX "/resources/Skin/")
list(SORT resource_files)

set(res_asm "${Lumiqa_BINARY_DIR}/generated/resources.S")
set(res_cpp "${Lumiqa_BINARY_DIR}/generated/resources.cpp")
set(asm_text "\t.section .rodata\n")
set(cpp_decl "")
set(cpp_rows "")
set(index 0)
foreach(path ${resource_files})
  file(RELATIVE_PATH rel ${Lumiqa_SOURCE_DIR}/resources ${path})
  get_filename_component(dir ${rel} DIRECTORY)
  get_filename_component(stem ${rel} NAME_WE)
  get_filename_component(ext ${rel} LAST_EXT)
  string(TOUPPER "${ext}" ext)
  if(dir)
    string(REGEX REPLACE "/.*" "" type "${dir}")
    string(TOUPPER "${type}" type)
  elseif(ext STREQUAL ".BMP")
    set(type BITMAP)
  elseif(ext STREQUAL ".CUR")
    set(type CURSOR)
  elseif(ext STREQUAL ".ICO")
    set(type ICON)
  elseif(ext STREQUAL ".DFM" OR ext STREQUAL ".FRM")
    set(type FORM)
  else()
    set(type RCDATA)
  endif()
  string(APPEND asm_text "\t.balign 16\n\t.globl lumiqa_res_${index}\nlumiqa_res_${index}:\n\t.incbin \"${path}\"\n\t.globl lumiqa_res_${index}_end\nlumiqa_res_${index}_end:\n\t.byte 0\n")
  string(APPEND cpp_decl "extern \"C\" const unsigned char lumiqa_res_${index}[], lumiqa_res_${index}_end[];\n")
  string(APPEND cpp_rows "    {\"${type}\", \"${stem}\", lumiqa_res_${index}, lumiqa_res_${index}_end},\n")
  math(EXPR index "${index} + 1")
endforeach()
string(APPEND asm_text "\t.section .note.GNU-stack,\"\",@progbits\n")
if(index EQUAL 0)
  set(cpp_rows "    {nullptr, nullptr, nullptr, nullptr},\n")
endif()
file(CONFIGURE OUTPUT ${res_asm} CONTENT "${asm_text}")
file(CONFIGURE OUTPUT ${res_cpp} CONTENT
"// Generated from resources/ at configure time.
#include \"platform/rtl/Resources.h\"
${cpp_decl}
namespace {
const TResourceEntry entries[] = {
${cpp_rows}};
const bool registered = (RegisterResources(entries, ${index}), true);
}
")
set_source_files_properties(${res_asm} PROPERTIES OBJECT_DEPENDS "${resource_files}")
# An object library, so that the registrar is never dropped by the linker.
add_library(lumiqa_resources OBJECT ${res_asm} ${res_cpp})
target_link_libraries(lumiqa_resources PUBLIC platform_rtl)
add_library(Lumiqa::resources ALIAS lumiqa_resources)
