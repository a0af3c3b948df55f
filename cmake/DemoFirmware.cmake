# A firmware file for the demo's simulated selector: a generated image as S-records whose
# header names the boot monitor the demo selector reports (and no real selector does), so the
# demo's upgrade runs end to end while a real selector refuses the file.
include(GNUInstallDirs)
set(RX_DEMO_MONITOR "RX30DEMO1" CACHE INTERNAL "boot monitor identity of the demo selector")
set(RX_DEMO_FIRMWARE simulated-selector.u19)
find_program(RX_OBJCOPY objcopy)
if(NOT RX_OBJCOPY)
  message(STATUS "objcopy not found: no demo firmware file")
else()
  # A build-tree run seeds the user's program folder from here: the catalogue and the file.
  set(seed_dir ${CMAKE_BINARY_DIR}/tools/rxconfig/data)
  set(catalogue rx30.ini io.ini template.xml cctalk-headers.txt Production.ini)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/demo)
  string(REPEAT "RX30 simulated selector firmware image. " 48 image_text)
  file(WRITE ${CMAKE_BINARY_DIR}/demo/demo-image.bin "${image_text}")
  set(outputs ${seed_dir}/${RX_DEMO_FIRMWARE})
  set(copies)
  foreach(f ${catalogue})
    list(APPEND outputs ${seed_dir}/${f})
    list(APPEND copies COMMAND ${CMAKE_COMMAND} -E copy_if_different ${RX_DATA_DIR}/${f} ${seed_dir}/${f})
  endforeach()
  list(TRANSFORM catalogue PREPEND ${RX_DATA_DIR}/ OUTPUT_VARIABLE catalogue_sources)
  # objcopy writes its output's name into the header record: the name is the identity.
  add_custom_command(
    OUTPUT ${outputs}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${seed_dir}
    COMMAND ${RX_OBJCOPY} -I binary -O srec --srec-len=16 demo-image.bin ${RX_DEMO_MONITOR}
    COMMAND ${CMAKE_COMMAND} -E rename ${RX_DEMO_MONITOR} ${seed_dir}/${RX_DEMO_FIRMWARE}
    ${copies}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/demo
    DEPENDS ${CMAKE_BINARY_DIR}/demo/demo-image.bin ${catalogue_sources}
    COMMENT "Demo firmware file ${RX_DEMO_FIRMWARE}")
  add_custom_target(demo_firmware ALL DEPENDS ${outputs})
  install(FILES ${seed_dir}/${RX_DEMO_FIRMWARE} DESTINATION ${CMAKE_INSTALL_DATADIR}/rxconfig)
endif()
