# The serial link's framing, requests, answers and monitor decoding: plain
# C++ without Qt, so it builds (and is tested) in every variant, the
# ThreadSanitizer build and the serial unit simulator included.
set(_serial_dir ${CMAKE_CURRENT_LIST_DIR})
add_library(vimko_serial_logic STATIC
    ${_serial_dir}/monitor_cycle.cpp
    ${_serial_dir}/monitor_text.cpp
    ${_serial_dir}/serial_answers.cpp
    ${_serial_dir}/serial_blocks.cpp
    ${_serial_dir}/serial_frame.cpp
    ${_serial_dir}/serial_reader.cpp
    ${_serial_dir}/serial_requests.cpp
)
target_include_directories(vimko_serial_logic PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vimko_serial_logic PUBLIC vimko_common)
target_compile_options(vimko_serial_logic PRIVATE ${VIMKO_WARNINGS})
