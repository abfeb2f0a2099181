# The HTML generators: the opt-in form, the opt-out link and the subject choice behind them.
target_sources(tidewell_editor PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/html_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/optin_form.cpp
  ${CMAKE_CURRENT_LIST_DIR}/optout_link.cpp
  ${CMAKE_CURRENT_LIST_DIR}/subject_keywords.cpp
)
