# Copies SRC into the folder DST when SRC exists.
if(EXISTS ${SRC})
  file(COPY ${SRC} DESTINATION ${DST})
endif()
