# What the client-library loader's tests load: copies of a fake client library, each lacking what
# its test needs missing, in a directory that is on no search path; and a probe shared object that
# carries the loader as the driver library does, in a directory of its own beside one more fake.
set(KX_FAKEPQ_DIR ${CMAKE_CURRENT_BINARY_DIR}/fakepq)
set(KX_LOADER_PROBE_DIR ${CMAKE_CURRENT_BINARY_DIR}/loaderprobe)

# kx_add_fakepq(<name> <id> <output dir> [definitions...])
function(kx_add_fakepq name id dir)
  add_library(${name} SHARED ${CMAKE_CURRENT_SOURCE_DIR}/driver/FakeClientLibrary.c)
  target_compile_definitions(${name} PRIVATE KX_FAKE_ID=${id} ${ARGN})
  set_target_properties(${name} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${dir})
endfunction()
kx_add_fakepq(kxfakepq_noversion 2 ${KX_FAKEPQ_DIR} KX_FAKE_WITHOUT_OPTIONAL)
kx_add_fakepq(kxfakepq_nofname 3 ${KX_FAKEPQ_DIR} KX_FAKE_WITHOUT_PQfname)
kx_add_fakepq(kxfakepq_beside 4 ${KX_LOADER_PROBE_DIR})

add_library(kxloaderprobe SHARED ${CMAKE_CURRENT_SOURCE_DIR}/driver/LoaderProbe.cpp)
target_link_libraries(kxloaderprobe PRIVATE kxnative $<TARGET_OBJECTS:kxdriverdata>)
set_target_properties(kxloaderprobe PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${KX_LOADER_PROBE_DIR})

find_library(KX_SYSTEM_LIBPQ NAMES pq REQUIRED)
if(TARGET driver_NAFunctionLoader_test)
  add_dependencies(driver_NAFunctionLoader_test kxfakepq_noversion kxfakepq_nofname kxfakepq_beside kxloaderprobe)
  target_compile_definitions(driver_NAFunctionLoader_test PRIVATE
    KX_FAKEPQ_DIR="${KX_FAKEPQ_DIR}" KX_LOADER_PROBE="$<TARGET_FILE:kxloaderprobe>"
    KX_SYSTEM_LIBPQ="${KX_SYSTEM_LIBPQ}")
endif()

# What the PostgreSQL connection's tests load: a scripted client library (its script reached
# through FakeServer_pState), whole and in copies that each lack one optional function.
set(KX_FAKESERVER_DIR ${CMAKE_CURRENT_BINARY_DIR}/fakeserver)
function(kx_add_fakeserver name)
  add_library(${name} SHARED ${CMAKE_CURRENT_SOURCE_DIR}/pgsql/FakeServerLibrary.cpp)
  target_compile_definitions(${name} PRIVATE ${ARGN})
  set_target_properties(${name} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${KX_FAKESERVER_DIR})
endfunction()
kx_add_fakeserver(kxfakeserver)
kx_add_fakeserver(kxfakeserver_noserverversion KX_FAKE_WITHOUT_PQserverVersion)
kx_add_fakeserver(kxfakeserver_nolibversion KX_FAKE_WITHOUT_PQlibVersion)
kx_add_fakeserver(kxfakeserver_notransactionstatus KX_FAKE_WITHOUT_PQtransactionStatus)

file(GLOB KX_PGSQL_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/pgsql/*_test.cpp)
foreach(src ${KX_PGSQL_TESTS})
  get_filename_component(name ${src} NAME_WE)
  add_dependencies(pgsql_${name} kxfakeserver kxfakeserver_noserverversion kxfakeserver_nolibversion
                   kxfakeserver_notransactionstatus)
  target_compile_definitions(pgsql_${name} PRIVATE KX_FAKESERVER_DIR="${KX_FAKESERVER_DIR}")
endforeach()
# The PostgreSQL tests that load the built driver library as the host does.
if(TARGET pgsql_PSQLDriverLibrary_test)
  add_dependencies(pgsql_PSQLDriverLibrary_test kx200postgresql64)
  target_compile_definitions(pgsql_PSQLDriverLibrary_test PRIVATE KX_DRIVER_LIBRARY="$<TARGET_FILE:kx200postgresql64>")
endif()
