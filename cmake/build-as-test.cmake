# "make test" leaves the 32-bit and native builds to ctest. The tests under
# Wine spend over half of their time waiting on windows, ports and timers, and
# on 2 cores these builds took about three minutes before the first test could
# start; made by ctest at the lowest priority they fill the idle cores instead.
# Such a build is a test of its own, which every test of the build waits for.
option(QUILLON_BUILD_AS_TEST "Make this build from ctest, as a test its own tests wait for" OFF)
set(QUILLON_BUILD_FIXTURE "")
if(QUILLON_BUILD_AS_TEST)
  get_filename_component(build_name ${CMAKE_BINARY_DIR} NAME)
  set(QUILLON_BUILD_FIXTURE ${build_name}.build)
  cmake_host_system_information(RESULT cores QUERY NUMBER_OF_LOGICAL_CORES)
  # An outer make's job server is not handed down.
  add_test(NAME ${QUILLON_BUILD_FIXTURE}
           COMMAND ${CMAKE_COMMAND} -E env --unset=MAKEFLAGS
                   nice -n 19 ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} -j ${cores})
  # Builds go one at a time and start first (COST orders a fresh run).
  set_tests_properties(${QUILLON_BUILD_FIXTURE} PROPERTIES FIXTURES_SETUP ${QUILLON_BUILD_FIXTURE}
                       RESOURCE_LOCK build COST 10000 TIMEOUT 1800)
endif()
