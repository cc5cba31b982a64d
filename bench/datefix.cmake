# Sales date correction: the moves through the real window against the server's own pace, on store
# databases built for it, and the window's share of the move.
add_executable(datefix_bench ${CMAKE_CURRENT_LIST_DIR}/datefix_bench.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sales_databases.cpp)
target_link_libraries(datefix_bench PRIVATE posfix_app posfix_datefix posfix_db)
target_compile_definitions(datefix_bench PRIVATE
    POSFIX_SCHEMA_FILE="${PROJECT_SOURCE_DIR}/tests/schema/pos_schema.sql")
