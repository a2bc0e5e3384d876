target_link_libraries(bench_${name} PRIVATE tsscanner_core)
target_compile_definitions(bench_${name} PRIVATE TS_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
