# The late-binding benchmark runs on the objects of the dispatch tests.
target_sources(bench_${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/platform/DispatchTestObjects.cpp)
target_include_directories(bench_${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/platform)
target_link_libraries(bench_${name} PRIVATE tsplatform typelib_DispatchTestLib)
