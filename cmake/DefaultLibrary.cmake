# The default template library ZEZID.D00 … ZEZID.D31 and Word.Dat in the
# program folder, built by pellarocr-train from the Debian Chinese fonts and
# the shared text corpus (tools/training/build-default-library.sh). The real
# Word.Dat replaces the empty one of target empty_word_pairs: this step runs
# after it and whenever that file is made again.
# Sanitizer builds are for the tests, which make their own libraries: training
# with an instrumented tool would only take long.
if(PELLAR_SANITIZE)
  set(PELLAR_DEFAULT_LIBRARY_INITIAL OFF)
else()
  set(PELLAR_DEFAULT_LIBRARY_INITIAL ON)
endif()
option(PELLAR_DEFAULT_LIBRARY "Build the default template library and Word.Dat" ${PELLAR_DEFAULT_LIBRARY_INITIAL})
set(PELLAR_SHARED_DATA "${CMAKE_SOURCE_DIR}/../shared" CACHE PATH "Folder of the shared corpus and test pages")
if(PELLAR_DEFAULT_LIBRARY AND NOT EXISTS ${PELLAR_SHARED_DATA}/corpus/luxun.txt)
  message(STATUS "No corpus in ${PELLAR_SHARED_DATA}: the default library is not built")
elseif(PELLAR_DEFAULT_LIBRARY)
  set(PELLAR_TRAINING_DIR ${CMAKE_SOURCE_DIR}/tools/training)
  set(PELLAR_LIBRARY_STAMP ${CMAKE_BINARY_DIR}/default-library/done.stamp)
  set(PELLAR_LIBRARY_FILES)
  foreach(table RANGE 0 31)
    if(table LESS 10)
      set(table "0${table}")
    endif()
    list(APPEND PELLAR_LIBRARY_FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/ZEZID.D${table})
  endforeach()
  add_custom_command(OUTPUT ${PELLAR_LIBRARY_STAMP}
    BYPRODUCTS ${PELLAR_LIBRARY_FILES}
    COMMAND ${PELLAR_TRAINING_DIR}/build-default-library.sh $<TARGET_FILE:pellarocr-train>
            ${CMAKE_RUNTIME_OUTPUT_DIRECTORY} ${CMAKE_BINARY_DIR}/default-library ${PELLAR_SHARED_DATA}
            ${PELLAR_TRAINING_DIR}/default-library.conf
    COMMAND ${CMAKE_COMMAND} -E touch ${PELLAR_LIBRARY_STAMP}
    DEPENDS pellarocr-train ${PELLAR_TRAINING_DIR}/build-default-library.sh
            ${PELLAR_TRAINING_DIR}/default-library.conf ${PELLAR_TRAINING_DIR}/held-out/held-out.txt
            ${PELLAR_WORD_PAIRS}
            ${PELLAR_SHARED_DATA}/corpus/luxun.txt ${PELLAR_SHARED_DATA}/corpus/debian-docs.txt
    COMMENT "Training the default template library and Word.Dat"
    VERBATIM)
  add_custom_target(default_library ALL DEPENDS ${PELLAR_LIBRARY_STAMP})
  add_dependencies(default_library empty_word_pairs)
endif()
