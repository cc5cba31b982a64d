# Start-up of the window: process start to the window shown, against a bare Qt window.
add_executable(app_bench_window ${CMAKE_CURRENT_LIST_DIR}/app_window.cpp)
target_link_libraries(app_bench_window PRIVATE posfix_app)
add_executable(app_bench_baseline ${CMAKE_CURRENT_LIST_DIR}/app_baseline.cpp)
target_link_libraries(app_bench_baseline PRIVATE Qt6::Widgets)
target_include_directories(app_bench_baseline PRIVATE ${PROJECT_SOURCE_DIR})
add_executable(app_bench ${CMAKE_CURRENT_LIST_DIR}/app_startup.cpp)
target_compile_definitions(app_bench PRIVATE
    POSFIX_BENCH_WINDOW="$<TARGET_FILE:app_bench_window>"
    POSFIX_BENCH_BASELINE="$<TARGET_FILE:app_bench_baseline>")
add_dependencies(app_bench app_bench_window app_bench_baseline)

# The log during a long run: the window thread's CPU per line drawn and traced, at 100,000 lines
# against 10,000 lines.
add_executable(app_log_bench ${CMAKE_CURRENT_LIST_DIR}/app_log.cpp)
target_link_libraries(app_log_bench PRIVATE posfix_app)
