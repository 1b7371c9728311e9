# Warning flags for our own targets only; third-party headers come in as system includes.
# Warnings are errors where we build and test (RADIUS_WERROR, on in scripts/test and CI),
# not for users and packagers, whose compilers may warn about things ours do not.
option(RADIUS_WERROR "Treat warnings of our own targets as errors" OFF)

function(radius_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
        -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual)
    if(RADIUS_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
