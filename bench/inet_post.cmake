target_link_libraries(bench_${name} PRIVATE tsservice tstestsupport)
