# Database layer: statement throughput against isql-fb, and reading a large result.
add_executable(db_bench ${CMAKE_CURRENT_LIST_DIR}/db_bench.cpp)
target_link_libraries(db_bench PRIVATE posfix_db)
