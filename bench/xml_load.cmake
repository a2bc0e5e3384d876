# LoadXmlText through the registered XML document component, next to libxml2's own parse.
pkg_check_modules(BENCH_LIBXML2 REQUIRED IMPORTED_TARGET libxml-2.0)
target_link_libraries(bench_${name} PRIVATE tsservice PkgConfig::BENCH_LIBXML2)
add_dependencies(bench_${name} TsXmlDom)
target_compile_definitions(bench_${name} PRIVATE TS_XMLDOM_MODULE="$<TARGET_FILE:TsXmlDom>")
