target_link_libraries(platform_jet PUBLIC SQLite::SQLite3 Qt6::Core)

# The build tool that lays out the catalogue files in the program folder.
add_executable(mkcatalog ${CMAKE_CURRENT_SOURCE_DIR}/tools/mkcatalog.cpp)
target_link_libraries(mkcatalog PRIVATE platform_jet)
set_target_properties(mkcatalog PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)

# Runs on every build and creates only what is missing.
add_custom_target(catalog_files ALL
  COMMAND mkcatalog ${DISCAVO_PROGRAM_FOLDER}
  DEPENDS mkcatalog
  COMMENT "Catalogue files in the program folder"
  VERBATIM)

# records is defined later (app/); add the dependency once every target exists.
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL add_dependencies records catalog_files)

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
