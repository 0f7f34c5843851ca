target_link_libraries(platform_jet PUBLIC SQLite::SQLite3 Qt6::Core)

# The order of text: Unicode's root collation.
find_package(ICU REQUIRED COMPONENTS i18n uc)
target_link_libraries(platform_jet PUBLIC ICU::i18n ICU::uc)

# The text order for other SQLite programs: a loadable extension in the program
# folder, made from the engine's own collation code. It uses the calling
# program's SQLite, never links one of its own.
add_library(jettext MODULE ${CMAKE_CURRENT_SOURCE_DIR}/extension/JetTextExtension.cpp ${CMAKE_CURRENT_SOURCE_DIR}/Collation.cpp)
target_include_directories(jettext PRIVATE ${CMAKE_SOURCE_DIR}/platform ${SQLite3_INCLUDE_DIRS})
target_link_libraries(jettext PRIVATE Qt6::Core ICU::i18n ICU::uc)
set_target_properties(jettext PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${DISCAVO_PROGRAM_FOLDER}
                                         CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL add_dependencies records jettext)
# It is loaded into programs built without sanitizers: none of them in it.
foreach(property COMPILE_OPTIONS LINK_OPTIONS)
  get_target_property(options jettext ${property})
  if(options)
    list(FILTER options EXCLUDE REGEX "sanitize")
    set_target_properties(jettext PROPERTIES ${property} "${options}")
  endif()
endforeach()
