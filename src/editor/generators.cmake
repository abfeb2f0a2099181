# The HTML generators: the opt-in form, the opt-out link and the subject choice behind them.
target_sources(tidewell_editor PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/html_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/optin_form.cpp
  ${CMAKE_CURRENT_LIST_DIR}/optout_link.cpp
  ${CMAKE_CURRENT_LIST_DIR}/subject_keywords.cpp
  ${CMAKE_CURRENT_LIST_DIR}/web_kit.cpp
  ${CMAKE_CURRENT_BINARY_DIR}/web_kit_pages.cpp
)

# The web kit's pages, built into the program (read again whenever a page changes).
set(TIDEWELL_WEB_DIR ${PROJECT_SOURCE_DIR}/web)
foreach(page email o c kit)
  string(TOUPPER ${page} name)
  file(READ ${TIDEWELL_WEB_DIR}/${page}.php TIDEWELL_KIT_${name})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TIDEWELL_WEB_DIR}/${page}.php)
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/web_kit_pages.cpp.in
  ${CMAKE_CURRENT_BINARY_DIR}/web_kit_pages.cpp @ONLY)
