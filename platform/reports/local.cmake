if(PLATFORM_reports_SOURCES)
  target_link_libraries(platform_reports PUBLIC platform_jet Qt6::Widgets Qt6::PrintSupport)
endif()

# The report templates go into the program folder.
file(GLOB DISCAVO_REPORT_TEMPLATES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/reports/*.rpt)
set(_report_outputs)
foreach(template ${DISCAVO_REPORT_TEMPLATES})
  get_filename_component(_name ${template} NAME)
  add_custom_command(OUTPUT ${DISCAVO_PROGRAM_FOLDER}/${_name}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${template} ${DISCAVO_PROGRAM_FOLDER}/${_name}
    DEPENDS ${template}
    VERBATIM)
  list(APPEND _report_outputs ${DISCAVO_PROGRAM_FOLDER}/${_name})
endforeach()
add_custom_target(program_folder_reports ALL DEPENDS ${_report_outputs} COMMENT "Report templates in the program folder")
