target_link_libraries(bench_${name} PRIVATE tsscanner_core tsplatform typelib_TsScannerLib)
target_compile_definitions(bench_${name} PRIVATE TS_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  TS_SCANNER_MODULE="$<TARGET_FILE:TsScannerLib>")
add_dependencies(bench_${name} TsScannerLib)
