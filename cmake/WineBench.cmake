# The Wine test bench: every Windows test runs through cmake/wine-run in this build's own prefix.
# ctest's fixtures start the prefix's wineserver and an Xvfb display once per run, and stop them.
set(ZELV_BENCH_DIR ${CMAKE_BINARY_DIR}/wine)
set(ZELV_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.in ${ZELV_WINE_RUN} @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${ZELV_WINE_RUN})

add_test(NAME wine.bench.setup COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/wine-bench setup ${ZELV_BENCH_DIR})
add_test(NAME wine.bench.cleanup COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/wine-bench cleanup ${ZELV_BENCH_DIR})
set_tests_properties(wine.bench.setup PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
set_tests_properties(wine.bench.cleanup PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)
