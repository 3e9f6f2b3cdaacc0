# The wizard's skin (resources/Skin, drawn by scripts/draw_skin.py) goes
# beside the program as Skin/, where it loads "\Skin\Skin.ini" from.
file(GLOB skin_files CONFIGURE_DEPENDS ${Lumiqa_SOURCE_DIR}/resources/Skin/*)
set(skin_outputs "")
foreach(src ${skin_files})
  get_filename_component(name ${src} NAME)
  set(out ${Lumiqa_BINARY_DIR}/Skin/${name})
  add_custom_command(OUTPUT ${out} COMMAND ${CMAKE_COMMAND} -E copy_if_different ${src} ${out} DEPENDS ${src}
                     COMMENT "Skin/${name}" VERBATIM)
  list(APPEND skin_outputs ${out})
endforeach()
add_custom_target(lumiqa_skin ALL DEPENDS ${skin_outputs})
install(FILES ${skin_files} DESTINATION bin/Skin)
