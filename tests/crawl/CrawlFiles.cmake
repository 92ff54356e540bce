# The crawl's files. A run after an abandoned page is tested with the
# crawl layer's cases; crash safety in an executable of its own that kills
# skelvo-batch again and again during a crawl of a site served by nginx, its
# cases carrying the folder's prefix and label.
target_sources(test_crawl PRIVATE AbandonedLinksTest.cpp)

add_executable(test_crawl_crash CrashSafetyTest.cpp BatchProcess.cpp BatchProcess.h)
target_link_libraries(test_crawl_crash
    PRIVATE platform_core real_servers test_support qt_test_main GTest::gtest)
target_compile_definitions(test_crawl_crash
    PRIVATE SKELVO_BATCH_PATH="$<TARGET_FILE:skelvo-batch>")
add_dependencies(test_crawl_crash skelvo-batch)
gtest_discover_tests(test_crawl_crash
    TEST_PREFIX "crawl."
    PROPERTIES LABELS crawl
    DISCOVERY_TIMEOUT 60)
