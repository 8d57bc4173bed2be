# P01 of the benchmarks' archive copied to P02 ... P20.
foreach(i RANGE 2 20)
    if(i LESS 10)
        set(i 0${i})
    endif()
    file(COPY ${ARCHIVE}/P01/ DESTINATION ${ARCHIVE}/P${i})
endforeach()
